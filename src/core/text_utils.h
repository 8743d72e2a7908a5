#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tazmel {

// Case folding here is ASCII only: data text is GB18030 bytes whose trail
// bytes may fall in the ASCII letter range, and must not be touched.
char AsciiLower(char c);
std::string AsciiLowerCopy(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The text without blanks and TABs at either end.
std::string_view TrimBlanks(std::string_view text);

// Bytes up to and including the blank: control characters and ' '.
inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
// The text without such bytes at either end.
std::string_view TrimControls(std::string_view text);

// Whether the bytes are well-formed UTF-8: no stray or missing trail
// bytes, no overlong two-byte forms, nothing above U+10FFFF's lead bytes.
bool IsValidUtf8(std::string_view text);
// Appends `code` (at most U+10FFFF) encoded as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// Decimal integer with an optional sign and surrounding blanks; nullopt for
// anything else or a value outside int.
std::optional<int> ParseInteger(std::string_view text);

// Returns the text before the first `separator` and leaves what follows it
// in `text`. Without the separator the whole text is returned and `text`
// becomes empty.
std::string CutFirst(std::string& text, std::string_view separator);

// Field n (from 1) of `text` split at `separator`; empty past the last field.
std::string NthField(std::string_view text, int n, char separator);

// Pads the decimal number on the left to `width` (at most 20); a number
// already that wide is returned as it is.
std::string ZeroPad(long long number, int width);
std::string SpacePad(long long number, int width);

// Keeps A-Z, a-z, 0-9 and "*-.@_"; every other byte becomes %XX.
std::string UrlEncode(std::string_view text);

// False when the text looks like an HTML page.
bool IsPlainText(std::string_view text);

// Replaces left to right without rescanning replaced text.
std::string ReplaceAll(std::string_view text, std::string_view old_text, std::string_view new_text);

// "host" -> "http://host/"; empty stays empty.
std::string CompleteWebAddress(std::string_view text);

// "host:port"; without ":" the port is "8080".
std::pair<std::string, std::string> SplitHostPort(std::string_view text);

// Compares dotted version texts number by number over 34 steps; a part that
// is not a number counts as 0, and the last part repeats once the dots run
// out. Returns 1 when `installed` is newer, -1 when older, 0 when equal.
int CompareVersion(std::string_view installed, std::string_view required);

// Fills a message pattern from a language file: the first conversion ("%d",
// "%s", also with flags or a width) takes `value`, later ones take nothing,
// "%%" is "%". Text the pattern gets from a translator never reaches a
// printf-style formatter.
std::string FormatSlot(std::string_view pattern, std::string_view value);

// Calls `fn(line)` for each line of `text` the way text files are read line
// by line: CR LF, LF and a lone CR each end a line, and a final line end
// adds no empty line. When `fn` returns bool, true stops the walk.
template <typename F>
void ForEachLine(std::string_view text, F&& fn) {
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    const bool crlf = end != text.npos && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end == text.npos ? text.size() : end + (crlf ? 2 : 1));
    if constexpr (std::is_same_v<std::invoke_result_t<F&, std::string_view>, bool>) {
      if (fn(line)) return;
    } else {
      fn(line);
    }
  }
}

}  // namespace tazmel
