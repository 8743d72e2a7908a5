// libFuzzer target: any reply a station's address sends must resolve
// without crashing, every address found must be text of the reply itself,
// and splicing must keep the rest of the address list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "playback/resolver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::string lower = original;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const std::string& address : tazmel::ParseStreamPage(lower, original)) {
    if (address.empty() || original.find(address) == std::string::npos) std::abort();
  }

  std::vector<std::string> list = {"http://radio.example/dir/page.html", "mms://next.example/x"};
  tazmel::PageReply reply;
  reply.status = tazmel::PageReply::Status::kOk;
  reply.body = original;
  using tazmel::MediaKind;
  const MediaKind kind = tazmel::ResolveMediaKind(reply, list[0], list, 0);
  if (kind != MediaKind::kUnknown && kind != MediaKind::kRealPlayer && kind != MediaKind::kWindowsMedia) std::abort();
  if (list.size() < 2 || list.back() != "mms://next.example/x") std::abort();
  // Documents for a player leave the list alone; a page adds a bounded number.
  if (kind != MediaKind::kUnknown && list.size() != 2) std::abort();
  if (list.size() > tazmel::kMaxPageAddresses + 1) std::abort();
  return 0;
}
