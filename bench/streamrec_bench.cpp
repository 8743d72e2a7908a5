// What recording by title costs, and what libmpv's own stream-record gives
// in its place.
//
// 1. The splitter alone: one hour of a 128 kbit/s MP3 stream with ICY
//    metadata (a new title every three minutes) cut into files, as CPU
//    seconds and as a share of one core at real time.
// 2. In real time, a loopback 128 kbit/s ICY stream whose title changes
//    every 5 s, for TAZMEL_BENCH_SPAN seconds (default 20):
//    - the recorder over its own connection (this process's CPU, the
//      loopback server's threads included, so an upper bound);
//    - mpv --ao=null with and without --stream-record: its CPU, the files
//      it leaves, and whether the file holds the stream's bytes as sent.
// Figures are reported, never judged.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "streamrec/stream_recorder.h"
#include "streamrec/track_splitter.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;
using tazmel::test::TestHttpConnection;

constexpr std::size_t kMetaInt = 16000;
constexpr std::size_t kBytesPerSecond = 16000;  // 128 kbit/s

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string Meta(const std::string& title) {
  std::string meta = "StreamTitle='" + title + "';";
  meta.resize((meta.size() + 15) / 16 * 16, '\0');
  meta.insert(meta.begin(), static_cast<char>(meta.size() / 16));
  return meta;
}

std::string g_sent;  // the audio bytes the real-time server sent, in order

// 128 kbit/s in real time, a title change every 5 s.
void ServeRealTime(TestHttpConnection& connection, const std::string& tone, bool keep) {
  const bool icy = connection.Header("Icy-MetaData") == "1";
  tazmel::test::TestHttpHeaders headers = {{"Content-Type", "audio/mpeg"}};
  if (icy) headers.emplace_back("icy-metaint", std::to_string(kMetaInt));
  if (!connection.WriteHead(200, headers)) return;
  const auto start = std::chrono::steady_clock::now();
  std::size_t offset = 0;
  for (int block = 0; !connection.Stopping(); ++block) {
    const std::string chunk = tone.substr(offset, kMetaInt);
    offset = (offset + kMetaInt) % (tone.size() - kMetaInt);
    if (!connection.Write(chunk)) return;
    if (keep) g_sent += chunk;
    const int title = block / 5;  // one block a second
    if (icy && !connection.Write(Meta("Artist " + std::to_string(title) + " - Song " + std::to_string(title)))) return;
    std::this_thread::sleep_until(start + std::chrono::seconds(block + 1));
  }
}

void SplitterAlone() {
  const std::string tone = tazmel::test::MakeToneMp3(60.0);
  // An hour of audio with a metadata block after every kMetaInt bytes, as
  // a station interleaves them; a new title every three minutes.
  const std::size_t hour = kBytesPerSecond * 3600;
  std::string stream;
  stream.reserve(hour + hour / kMetaInt * 32);
  for (std::size_t at = 0; at < hour; at += kMetaInt) {
    for (std::size_t i = 0; i < kMetaInt; i += 1) stream += tone[(at + i) % tone.size()];
    stream += Meta("Song " + std::to_string(at / (kBytesPerSecond * 180)));
  }
  tazmel::test::TempDir dir;
  tazmel::TrackSplitterOptions options;
  options.folder = dir.path();
  options.untitled_name = "Bench";
  const double before = CpuSeconds();
  tazmel::TrackSplitter splitter(options);
  tazmel::IcyDemux demux(kMetaInt);
  // In 4 KB pieces, as curl hands them on.
  for (std::size_t piece = 0; piece < stream.size(); piece += 4096) {
    demux.Feed(
        std::string_view(stream).substr(piece, 4096), [&](std::string_view audio) { splitter.Audio(audio); },
        [&](std::string_view meta) { splitter.Title(tazmel::ParseStreamTitle(meta).title); });
  }
  splitter.Finish();
  const double cpu = CpuSeconds() - before;
  std::printf("splitter: %zu files, %.1f MB written\n", splitter.Files().size(),
              static_cast<double>(splitter.BytesWritten()) / 1e6);
  std::printf("splitter: one hour of 128 kbit/s in %.3f CPU s = %.4f %% of one core at real time\n", cpu,
              cpu / 3600 * 100);
}

}  // namespace

int main() {
  SplitterAlone();

  const int span = std::getenv("TAZMEL_BENCH_SPAN") ? std::atoi(std::getenv("TAZMEL_BENCH_SPAN")) : 20;
  const std::string tone = tazmel::test::MakeToneMp3(60.0);
  tazmel::test::TestHttpServer server;
  server.ServeHandler("/live", [&](TestHttpConnection& c) { ServeRealTime(c, tone, false); });
  server.ServeHandler("/kept", [&](TestHttpConnection& c) { ServeRealTime(c, tone, true); });

  {
    tazmel::test::TempDir dir;
    tazmel::test::LoopDispatcher loop;
    std::vector<tazmel::TrackFile> files;
    bool ended = false;
    tazmel::StreamRecorder recorder(loop, {.track_started = {}, .ended = [&](const tazmel::StreamRecordResult& r) {
                                             files = r.files;
                                             ended = true;
                                           }});
    const double before = CpuSeconds();
    recorder.Start({.url = server.Url("/live"), .folder = dir.path(), .untitled_name = "Bench"});
    loop.RunFor(std::chrono::seconds(span));
    recorder.Stop();
    loop.RunUntil([&] { return ended; }, 10s);
    const double cpu = CpuSeconds() - before;
    std::printf("recorder, own connection: %.2f %% of one core (server included), %zu files in %d s\n",
                cpu / span * 100, files.size(), span);
  }

  for (bool record : {false, true}) {
    tazmel::test::TempDir dir;
    g_sent.clear();
    std::vector<std::string> argv = {"mpv",       "--no-config",       "--ao=null",
                                     "--vo=null", "--load-scripts=no", "--terminal=no"};
    if (record) argv.push_back("--stream-record=" + (dir / "record.mp3").string());
    argv.push_back(server.Url(record ? "/kept" : "/live"));
    tazmel::test::ChildProcess mpv(argv, tazmel::test::EnvironmentWith({}));
    std::this_thread::sleep_for(std::chrono::seconds(span));
    tazmel::bench::ProcessReading reading;
    const bool read = tazmel::bench::ReadProcess(mpv.pid(), reading);
    mpv.Signal(SIGTERM);
    mpv.WaitExit(5s);
    std::printf("mpv %s: %.2f %% of one core%s\n", record ? "--stream-record" : "playing only",
                reading.cpu_seconds / span * 100, read ? "" : " (no reading)");
    if (!record) continue;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      ++count;
      const std::string bytes = tazmel::test::ReadFile(entry.path());
      const std::size_t at = g_sent.find(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4096)));
      std::printf("mpv --stream-record: %s, %zu bytes of %zu sent; %s\n", entry.path().filename().c_str(), bytes.size(),
                  g_sent.size(),
                  at == std::string::npos                        ? "its first bytes are not the stream's (remuxed)"
                  : g_sent.compare(at, bytes.size(), bytes) == 0 ? "the stream's bytes as sent"
                                                                 : "starts as sent, then differs");
    }
    std::printf("mpv --stream-record: %d file(s) for %d title changes\n", count, span / 5);
  }
  return 0;
}
