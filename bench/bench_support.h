#pragma once

// What the process benchmarks share: a private X server, a scratch folder,
// and readings of a running process from /proc.
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/http_server.h"

namespace tazmel::bench {

// A folder under the temporary folder, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool Ok() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The last lines of a log, indented, for a failure report.
std::string LogTail(const std::filesystem::path& log);

// A private Xvfb. It picks a free display number itself and writes it to
// -displayfd once it accepts connections, which also tells it is ready.
class VirtualDisplay {
 public:
  // The failure, or nothing when the server answers.
  std::optional<std::string> Start(const std::filesystem::path& log, const std::string& screen = "1280x800x24");
  const std::string& name() const { return name_; }

 private:
  std::optional<test::ChildProcess> server_;
  std::string name_;
};

// One reading of a running process. CPU time and context switches are
// summed over its threads (a thread that already ended is not counted).
struct ProcessReading {
  double cpu_seconds = 0;
  long long context_switches = 0;  // voluntary and involuntary: wake-ups
  double rss_mb = 0, pss_mb = 0, anon_mb = 0;
  int threads = 0;
  int libraries = 0;  // distinct shared objects mapped
};

// False when the process is gone.
bool ReadProcess(pid_t pid, ProcessReading& reading);

// A private PulseAudio daemon with one null sink, started by the tests'
// script in `runtime`; stopped again when this goes out of scope.
class PrivatePulse {
 public:
  explicit PrivatePulse(std::filesystem::path runtime);
  ~PrivatePulse();
  PrivatePulse(const PrivatePulse&) = delete;
  PrivatePulse& operator=(const PrivatePulse&) = delete;

  bool Started() const { return started_; }
  // What a client needs to reach it.
  std::map<std::string, std::string> Env() const;

 private:
  std::filesystem::path runtime_;
  bool started_ = false;
};

// Serves `mp3` at `path` as an endless 128 kbit/s radio stream, paced in
// real time after a first burst as a streaming server sends it, with ICY
// metadata when asked for. `mp3` must outlive the server.
void ServeLiveMp3(test::TestHttpServer& server, const std::string& path, const std::string& mp3);

// The one-minute load average, to tell how far to trust a figure.
std::string LoadAverage();

// A whole number from the environment, never negative; `fallback` when unset.
int EnvNumber(const char* name, int fallback);

// The median, 0 for no values.
double Median(std::vector<double> values);

// A fresh copy in `to` of the program folder the build stages next to the
// executables in `staged`, without the build tree's own User.ini, so a first
// start is a real first start; the failure otherwise.
std::optional<std::string> PrepareProgramFolder(const std::filesystem::path& staged, const std::filesystem::path& to);

// User.ini in `home`: the shipped settings with AutoPlay on and the typed
// address `url` as the current station, then `extra` (whole sections).
void WriteAutoPlaySettings(const std::filesystem::path& home, const std::string& url, const std::string& extra = "");

// The number of streams playing into the private daemon's sink, -1 when
// pactl fails; `scratch` holds its listing.
int SinkInputs(const std::map<std::string, std::string>& pulse_env, const std::filesystem::path& scratch);

}  // namespace tazmel::bench
