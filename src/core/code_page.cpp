#include "core/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace tazmel {
namespace {

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Runs one conversion; an undecodable input byte is skipped and `replacement`
// (already in the target encoding) is written in its place.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement) {
  std::string out;
  if (in.empty()) return out;
  iconv_t raw = iconv_open(to, from);
  if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  IconvHandle cd(raw);

  out.reserve(in.size() * 2);
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t rc = iconv(cd.get(), &src, &src_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated sequence at the end): replace one byte.
    out.append(replacement);
    ++src;
    --src_left;
  }
  // Flush any shift state (GB18030 has none, but iconv wants the call).
  char* dst = buffer;
  size_t dst_left = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &dst, &dst_left);
  out.append(buffer, dst - buffer);
  return out;
}

// The conversion without replacements: nullopt at the first byte that does
// not decode, or a sequence cut off at the end.
std::optional<std::string> ConvertStrict(const char* to, const char* from, std::string_view in) {
  std::string out;
  if (in.empty()) return out;
  iconv_t raw = iconv_open(to, from);
  if (raw == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  IconvHandle cd(raw);
  out.reserve(in.size() * 2);
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    const size_t rc = iconv(cd.get(), &src, &src_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno != E2BIG) return std::nullopt;
  }
  char* dst = buffer;
  size_t dst_left = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &dst, &dst_left);
  out.append(buffer, dst - buffer);
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbStrict(std::string_view utf8) { return ConvertStrict("GB18030", "UTF-8", utf8); }

bool IsValidGb(std::string_view gb) { return ConvertStrict("UTF-16LE", "GB18030", gb).has_value(); }

std::string GbToUtf8(std::string_view gb) { return Convert("UTF-8", "GB18030", gb, "\xEF\xBF\xBD"); }

std::string Utf8ToGb(std::string_view utf8) { return Convert("GB18030", "UTF-8", utf8, "?"); }

std::string CharsetToGb(std::string_view text, std::string_view charset) {
  const std::string name(charset);
  if (name.empty()) return Utf8ToGb(text);
  iconv_t probe = iconv_open("GB18030", name.c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) return Utf8ToGb(text);
  iconv_close(probe);
  return Convert("GB18030", name.c_str(), text, "?");
}

}  // namespace tazmel
