#include "bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>
#include <vector>

namespace tazmel::bench {
namespace fs = std::filesystem;
using namespace std::chrono;

ScratchDir::ScratchDir(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

std::string LogTail(const fs::path& log) {
  constexpr size_t kLines = 8;
  std::ifstream in(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (lines.size() > kLines) lines.erase(lines.begin());
  }
  std::string text;
  for (const std::string& line : lines) text += "    | " + line + "\n";
  return text.empty() ? "    | (nothing)\n" : text;
}

std::optional<std::string> VirtualDisplay::Start(const fs::path& log, const std::string& screen) {
  constexpr auto kLimit = seconds(10);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return "pipe: " + std::string(std::strerror(errno));
  test::ChildOptions options;
  options.log = log;
  options.keep_fd = fds[1];
  server_.emplace(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                           "-nolisten", "tcp", "-noreset"},
                  test::EnvironmentWith({}), options);
  close(fds[1]);
  if (!server_->Started()) {
    close(fds[0]);
    return "could not start Xvfb (scripts/setup.sh bench installs it)";
  }
  std::string number;
  const auto deadline = steady_clock::now() + kLimit;
  while (number.find('\n') == std::string::npos && steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, 100);
    if (ready < 0 && errno == EINTR) break;
    if (ready <= 0) continue;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) return "Xvfb did not report a display:\n" + LogTail(log);
  name_ = ":" + number.substr(0, number.find('\n'));
  return std::nullopt;
}

namespace {

// The number after `key:` in a "Key:   1234 kB" line of a /proc file.
double Field(const fs::path& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr);
  }
  return 0;
}

}  // namespace

bool ReadProcess(pid_t pid, ProcessReading& reading) {
  const fs::path proc = "/proc/" + std::to_string(pid);
  reading = {};
  std::error_code error;
  for (const fs::directory_entry& task : fs::directory_iterator(proc / "task", error)) {
    // The first field of schedstat is the time on a CPU in nanoseconds,
    // finer than the clock ticks of stat.
    std::ifstream schedstat(task.path() / "schedstat");
    long long on_cpu_ns = 0;
    if (schedstat >> on_cpu_ns) reading.cpu_seconds += static_cast<double>(on_cpu_ns) / 1e9;
    reading.context_switches += static_cast<long long>(Field(task.path() / "status", "voluntary_ctxt_switches") +
                                                       Field(task.path() / "status", "nonvoluntary_ctxt_switches"));
  }
  if (error) return false;
  reading.rss_mb = Field(proc / "smaps_rollup", "Rss") / 1024;
  reading.pss_mb = Field(proc / "smaps_rollup", "Pss") / 1024;
  reading.anon_mb = Field(proc / "smaps_rollup", "Anonymous") / 1024;
  reading.threads = static_cast<int>(Field(proc / "status", "Threads"));
  std::ifstream maps(proc / "maps");
  std::set<std::string> libraries;
  for (std::string line; std::getline(maps, line);) {
    const size_t slash = line.find('/');
    if (slash != std::string::npos && line.find(".so", slash) != std::string::npos)
      libraries.insert(line.substr(slash));
  }
  reading.libraries = static_cast<int>(libraries.size());
  return reading.rss_mb > 0;
}

PrivatePulse::PrivatePulse(fs::path runtime) : runtime_(std::move(runtime)) {
  std::error_code ignored;
  fs::create_directories(runtime_, ignored);
  test::ChildOptions quiet;
  quiet.log = runtime_ / "script.log";
  test::ChildProcess script({TAZMEL_PULSE_SCRIPT, "start", runtime_.string()}, test::EnvironmentWith({}), quiet);
  started_ = script.WaitExit(seconds(30)) == 0;
}

PrivatePulse::~PrivatePulse() {
  if (!started_) return;
  test::ChildOptions quiet;
  quiet.log = runtime_ / "script.log";
  test::ChildProcess script({TAZMEL_PULSE_SCRIPT, "stop", runtime_.string()}, test::EnvironmentWith({}), quiet);
  script.WaitExit(seconds(30));
}

std::map<std::string, std::string> PrivatePulse::Env() const {
  return {{"XDG_RUNTIME_DIR", runtime_.string()}, {"PULSE_SERVER", "unix:" + (runtime_ / "pulse/native").string()}};
}

void ServeLiveMp3(test::TestHttpServer& server, const std::string& path, const std::string& mp3) {
  constexpr int kMetaInt = 16000;
  server.ServeHandler(path, [&mp3](test::TestHttpConnection& connection) {
    const bool icy = connection.Header("Icy-MetaData").value_or("0") == "1";
    test::TestHttpHeaders headers = {{"Content-Type", "audio/mpeg"}, {"icy-name", "Bench Radio"}};
    if (icy) headers.push_back({"icy-metaint", std::to_string(kMetaInt)});
    if (!connection.WriteHead(200, headers)) return;
    size_t offset = 0;
    int until_meta = kMetaInt;
    auto send = [&](size_t count) {
      std::string chunk;
      while (count > 0) {
        const size_t take = std::min({count, mp3.size() - offset, static_cast<size_t>(until_meta)});
        chunk.append(mp3, offset, take);
        offset = (offset + take) % mp3.size();
        count -= take;
        until_meta -= static_cast<int>(take);
        if (icy && until_meta == 0) {
          std::string meta = "StreamTitle='Bench tone';";
          meta.resize((meta.size() + 15) / 16 * 16, '\0');
          chunk += static_cast<char>(meta.size() / 16);
          chunk += meta;
          until_meta = kMetaInt;
        }
        if (!icy) until_meta = kMetaInt;
      }
      return connection.Write(chunk);
    };
    if (!send(64 * 1024)) return;
    while (!connection.Stopping()) {
      connection.SleepFor(milliseconds(250));
      if (!send(4000)) return;
    }
  });
}

std::string LoadAverage() {
  std::ifstream loadavg("/proc/loadavg");
  std::string one;
  loadavg >> one;
  return one;
}

int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::max(0, std::atoi(text));
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::optional<std::string> PrepareProgramFolder(const fs::path& staged, const fs::path& to) {
  std::error_code error;
  fs::remove_all(to, error);
  fs::create_directories(to, error);
  for (const char* item : {"Tazmel.ini", "Language", "Skins", "sound", "data"}) {
    const fs::path from = staged / item;
    if (!fs::exists(from)) return "missing " + from.string() + " (build the default target first)";
    fs::copy(from, to / item, fs::copy_options::recursive, error);
    if (error) return "copying " + from.string() + ": " + error.message();
  }
  return std::nullopt;
}

void WriteAutoPlaySettings(const fs::path& home, const std::string& url, const std::string& extra) {
  std::ifstream in(home / "Tazmel.ini", std::ios::binary);
  std::ofstream out(home / "User.ini", std::ios::binary | std::ios::trunc);
  std::string section;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') section = line;
    if (section == "[Options]" && line.rfind("AutoPlay=", 0) == 0) line = "AutoPlay=1";
    out << line << "\r\n";
    if (line == "[Player]") out << "CurPlayID=0\r\nCurUserUrl=" << url << "\r\n";
  }
  out << extra;
}

int SinkInputs(const std::map<std::string, std::string>& pulse_env, const fs::path& scratch) {
  const fs::path listing = scratch / "sink-inputs.txt";
  test::ChildOptions options;
  options.log = listing;
  std::error_code ignored;
  fs::remove(listing, ignored);
  test::ChildProcess pactl({"pactl", "list", "short", "sink-inputs"}, test::EnvironmentWith(pulse_env), options);
  if (pactl.WaitExit(seconds(10)) != 0) return -1;
  std::ifstream in(listing);
  int lines = 0;
  for (std::string line; std::getline(in, line);) lines += !line.empty();
  return lines;
}

}  // namespace tazmel::bench
