#include "core/ini_file.h"

#include <unordered_set>

#include "core/file_utils.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != s.npos; }

}  // namespace

std::string_view IniFile::Line::Name() const {
  std::string_view t = Trim(text);
  if (kind == Kind::kSection) {
    t.remove_prefix(1);
    return Trim(t.substr(0, t.find(']')));
  }
  return Trim(t.substr(0, t.find('=')));
}

std::string_view IniFile::Line::Value() const {
  std::string_view t = text;
  return Trim(t.substr(t.find('=') + 1));
}

IniFile::Line IniFile::ParseLine(std::string text, std::string eol) {
  Line line{std::move(text), std::move(eol)};
  std::string_view t = Trim(line.text);
  if (!t.empty() && t.front() == '[' && t.find(']') != t.npos) {
    line.kind = Kind::kSection;
  } else if (!t.empty() && t.front() != ';' && t.find('=') != t.npos && !line.Name().empty()) {
    line.kind = Kind::kKey;
  }
  return line;
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == text.npos) {
      ini.lines_.push_back(ParseLine(std::string(text.substr(pos)), ""));
      break;
    }
    std::size_t end = nl;
    if (end > pos && text[end - 1] == '\r') --end;
    ini.lines_.push_back(
        ParseLine(std::string(text.substr(pos, end - pos)), std::string(text.substr(end, nl + 1 - end))));
    pos = nl + 1;
  }
  return ini;
}

IniFile::LoadStatus IniFile::Load(const std::filesystem::path& path) {
  *this = IniFile();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? LoadStatus::kUnreadable : LoadStatus::kMissing;
  std::optional<std::string> content = ReadWholeFile(path, kMaxFileBytes);
  if (!content) return LoadStatus::kUnreadable;
  *this = FromText(*content);
  return LoadStatus::kLoaded;
}

std::string IniFile::Text() const {
  std::string out;
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.text.size() + l.eol.size();
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.text;
    out += l.eol;
  }
  return out;
}

bool IniFile::Save(const std::filesystem::path& path) const { return WriteFileAtomically(path, Text()); }

namespace {
std::string KeyIndexName(std::string_view section, std::string_view key) {
  return AsciiLowerCopy(section) + '\n' + AsciiLowerCopy(key);
}
}  // namespace

void IniFile::EnsureIndex() const {
  if (indexed_) return;
  section_index_.clear();
  key_index_.clear();
  std::string_view section;
  bool first_of_name = false;  // keys count only under a section's first header
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kSection) {
      section = line.Name();
      first_of_name = section_index_.try_emplace(AsciiLowerCopy(section), i).second;
    } else if (line.kind == Kind::kKey && first_of_name) {
      key_index_.try_emplace(KeyIndexName(section, line.Name()), i);
    }
  }
  indexed_ = true;
}

std::ptrdiff_t IniFile::FindSection(std::string_view section) const {
  EnsureIndex();
  auto it = section_index_.find(AsciiLowerCopy(Trim(section)));
  return it == section_index_.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
}

std::ptrdiff_t IniFile::FindKey(std::string_view section, std::string_view key) const {
  EnsureIndex();
  auto it = key_index_.find(KeyIndexName(Trim(section), Trim(key)));
  return it == key_index_.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  std::ptrdiff_t line = FindKey(section, key);
  if (line < 0) return std::nullopt;
  return std::string(lines_[line].Value());
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  std::ptrdiff_t header = FindSection(section);
  if (header < 0) return keys;
  std::unordered_set<std::string> seen;
  const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Kind::kKey) continue;
    std::string_view name = lines_[i].Name();
    if (seen.insert(AsciiLowerCopy(name)).second) keys.emplace_back(name);
  }
  return keys;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view default_value) const {
  std::optional<std::string> v = Value(section, key);
  return v ? std::move(*v) : std::string(default_value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int default_value) const {
  std::optional<std::string> v = Value(section, key);
  if (!v) return default_value;
  return ParseInteger(*v).value_or(default_value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      section.find(']') != section.npos || key.find('=') != key.npos || key.front() == '[' || key.front() == ';') {
    return false;
  }
  value = value.substr(0, value.find_first_of("\r\n"));
  std::string text = std::string(key) + "=" + std::string(value);

  std::ptrdiff_t line = FindKey(section, key);
  if (line >= 0) {
    // Same name, same place: the index stays valid.
    lines_[line] = ParseLine(std::move(text), lines_[line].eol);
    return true;
  }
  std::ptrdiff_t header = FindSection(section);
  indexed_ = false;  // lines are added below
  if (header < 0) {
    // A new section goes at the end, after a blank line, in CR LF like the
    // rest of what this program writes.
    if (!lines_.empty()) {
      if (lines_.back().eol.empty()) lines_.back().eol = "\r\n";
      if (!Trim(lines_.back().text).empty()) lines_.push_back(ParseLine("", "\r\n"));
    }
    lines_.push_back(ParseLine("[" + std::string(section) + "]", "\r\n"));
    lines_.push_back(ParseLine(std::move(text), "\r\n"));
    return true;
  }
  // Insert after the section's last non-blank line so blank separators stay
  // between sections.
  std::size_t at = SectionEnd(static_cast<std::size_t>(header));
  while (at > static_cast<std::size_t>(header) + 1 && Trim(lines_[at - 1].text).empty()) --at;
  if (lines_[at - 1].eol.empty()) lines_[at - 1].eol = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(std::move(text), "\r\n"));
  return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view default_value) {
  IniFile ini;
  ini.Load(file);
  return ini.ReadString(section, key, default_value);
}

int ReadProfileInteger(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       int default_value) {
  IniFile ini;
  ini.Load(file);
  return ini.ReadInteger(section, key, default_value);
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  IniFile ini;
  if (ini.Load(file) == IniFile::LoadStatus::kUnreadable) return false;
  return ini.WriteString(section, key, value) && ini.Save(file);
}

}  // namespace tazmel
