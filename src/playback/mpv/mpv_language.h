#pragma once

#include <string_view>

namespace tazmel {

// The Windows language identifier for a language code as media tags carry
// it: ISO 639-1 ("de"), ISO 639-2 in either form ("ger", "deu"), in any
// case, optionally with a region ("pt-BR", "zh_TW"); of a list ("deu/eng")
// the first. 0 when the code names none of the offered languages.
int LanguageIdFromMediaCode(std::string_view code);

}  // namespace tazmel
