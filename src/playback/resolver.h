#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// Downloads an address and returns the reply as text; "" on any failure.
using FetchText = std::function<std::string(const std::string& url)>;

// Downloads the address and decides: '2' for an ASX document, '1' for SMIL,
// else '0' after replacing list[index] with the stream addresses the reply
// names (when it names any).
char ResolveMediaKind(const FetchText& fetch, std::string_view address, std::vector<std::string>& list, int index);

// The stream addresses a page names. `lower` is the page lower-cased for the
// search; the addresses' bytes come from `original` at the same positions, so
// case-sensitive paths survive. Both texts have the same length.
std::vector<std::string> ParseStreamPage(std::string_view lower, std::string_view original);

// Relative entries become absolute against `base`.
void MakeAbsolute(std::vector<std::string>& list, std::string_view base);

}  // namespace tazmel
