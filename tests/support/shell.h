#pragma once

#include <cstdio>
#include <string>

namespace tazmel::test {

// A shell command's standard output, for asking the independent tools
// (pactl, mpg123, ffprobe, mutagen) what they make of a test's files.
inline std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

}  // namespace tazmel::test
