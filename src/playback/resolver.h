#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "online/page_fetcher.h"
#include "playback/media_kind.h"

namespace tazmel {

// Why a downloaded address named no stream.
enum class PageProblem {
  kNone,
  kUnreachable,  // the download failed
  kNoStreams,    // a page, but it names no stream address
  kBinary,       // no page at all: a binary file or an endless stream
};

// At most this many addresses are taken from one page.
inline constexpr std::size_t kMaxPageAddresses = 100;

// Decides from the downloaded reply: kWindowsMedia for an ASX document,
// kRealPlayer for SMIL, else kUnknown after replacing list[index] with the
// stream addresses the page names (when it names any), converted from the
// page's character set into the code page. `problem`, when given, says why
// nothing was found.
MediaKind ResolveMediaKind(const PageReply& reply, std::string_view address, std::vector<std::string>& list, int index,
                           PageProblem* problem = nullptr);

// The stream addresses a page names. `lower` is the page lower-cased for the
// search; the addresses' bytes come from `original` at the same positions, so
// case-sensitive paths survive. Both texts have the same length.
std::vector<std::string> ParseStreamPage(std::string_view lower, std::string_view original);

// The character set a page is written in: the Content-Type header's
// charset, else a <meta> tag's, else "utf-8". Lower case.
std::string PageCharset(std::string_view content_type, std::string_view lower_page);

// Relative entries become absolute against `base`.
void MakeAbsolute(std::vector<std::string>& list, std::string_view base);

}  // namespace tazmel
