#include "playback/mpv/mpv_language.h"

#include <gtest/gtest.h>

namespace tazmel {
namespace {

// Media name languages by ISO 639 codes of two or three letters, either
// three-letter form, in any case, sometimes with a region or as a list;
// each becomes the identifier the locale of that language would give.
// Codes for no offered language, "undetermined" and free text give none.
TEST(LanguageIdFromMediaCodeTest, IsoCodes) {
  struct Case {
    const char* code;
    int id;
  } cases[] = {
      {"de", 0x0407},    {"ger", 0x0407},   {"deu", 0x0407},   {"DEU", 0x0407},     {" it ", 0x0410},
      {"fre", 0x040C},   {"fra", 0x040C},   {"eng", 0x0409},   {"en-GB", 0x0809},   {"pt_BR", 0x0416},
      {"por", 0x0816},   {"de-ZZ", 0x0407}, {"zh", 0x0804},    {"chi", 0x0804},     {"zho", 0x0804},
      {"zh-TW", 0x0404}, {"no", 0x0414},    {"nor", 0x0414},   {"nno", 0x0814},     {"heb", 0x040D},
      {"iw", 0x040D},    {"jpn", 0x0411},   {"sr-RS", 0x0C1A}, {"deu/eng", 0x0407}, {"rus, ukr", 0x0419},
      {"", 0},           {"und", 0},        {"mul", 0},        {"xx", 0},           {"tlh", 0},
      {"German", 0},     {"d", 0},          {"/deu", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageIdFromMediaCode(c.code), c.id) << '"' << c.code << '"';
}

}  // namespace
}  // namespace tazmel
