// tazmel-play: plays a station of the directory or addresses given directly
// through the player's own engine, printing what it shows as lines.
#include <QCoreApplication>
#include <QTimer>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/qt_dispatcher.h"
#include "app/signal_bridge.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/time_utils.h"
#include "online/browser_fetch.h"
#include "platform/language_ids.h"
#include "platform/pulse/pulse_wave_out.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/engine_display_model.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "recording/wave_out.h"
#include "settings/settings.h"
#include "terminal_view.h"

namespace {

using namespace tazmel;

constexpr char kUsage[] =
    "usage: tazmel-play [--seconds N] [--kind 0-4] [--home DIR] STATION_ID|ADDRESS...\n"
    "       tazmel-play --help\n"
    "  Plays a station of the directory (by its ID) or the addresses given, and prints\n"
    "  one line per change with the milliseconds since start. Stops after N seconds or\n"
    "  when playback has ended; exits 0 when playback reached \"Playing\", 1 otherwise.\n";

struct Arguments {
  bool help = false;
  std::optional<int> seconds;
  MediaKind kind = MediaKind::kUnknown;
  std::string home;
  std::vector<std::string> targets;
};

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Arguments> ParseArguments(const QStringList& list) {
  Arguments args;
  for (int i = 1; i < list.size(); ++i) {
    const std::string arg = list[i].toStdString();
    const bool has_value = i + 1 < list.size();
    if (arg == "--help" || arg == "-h") {
      args.help = true;
      return args;
    }
    if (arg == "--seconds" && has_value) {
      args.seconds = ParseNumber(list[++i].toStdString());
      if (!args.seconds || *args.seconds < 0) return std::nullopt;
    } else if (arg == "--kind" && has_value) {
      const std::string kind = list[++i].toStdString();
      if (kind.size() != 1 || kind[0] < '0' || kind[0] > '4') return std::nullopt;
      args.kind = MediaKindFromDigit(kind[0]);
    } else if (arg == "--home" && has_value) {
      args.home = list[++i].toStdString();
    } else if (arg.starts_with("--")) {
      return std::nullopt;
    } else {
      args.targets.push_back(arg);
    }
  }
  if (args.targets.empty()) return std::nullopt;
  return args;
}

// The settings the player would use: User.ini, or the shipped defaults
// before the first start. Never written from here.
Settings ReadPlayerSettings(const ProgramPaths& paths) {
  IniFile ini;
  if (ini.Load(paths.UserIni()) != IniFile::LoadStatus::kLoaded) ini.Load(paths.TazmelIni());
  return ReadSettings(ini, NowDateTimeNumber());
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication qt(argc, argv);
  QCoreApplication::setApplicationName("tazmel-play");
  // The media library parses numbers with the C locale.
  std::setlocale(LC_NUMERIC, "C");

  const std::optional<Arguments> args = ParseArguments(QCoreApplication::arguments());
  if (!args) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (args->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  ProgramFolderSources sources = ProgramFolderSources::FromEnvironment();
  if (!args->home.empty()) sources.tazmel_home = args->home;
  ProgramPaths paths(ResolveProgramFolder(sources));
  const Settings settings = ReadPlayerSettings(paths);
  paths.SetLanguageCode(
      ChooseLanguage(ReadProfileString(paths.UserIni(), "Language", "CurLng"), SystemDefaultLanguageId()));
  Messages().Load(paths.LanguageFile());

  QtDispatcher dispatcher;
  Registry registry(Registry::DefaultFile());
  RegisterPlayerControls(registry);
  MpvOptions mpv_options;
  mpv_options.hidden = true;
  if (const char* ao = std::getenv("TAZMEL_AUDIO_OUTPUT"); ao && *ao) mpv_options.audio_output = ao;
  MpvPlayerFactory factory(dispatcher, registry, mpv_options);

  TerminalView view(stdout);
  view.SetKnownStates(StateText(StateSlot::kPlaying, 0), StateText(StateSlot::kStopped, 0));
  TWaveOut sound(dispatcher, std::make_unique<PulseWaveOut>());
  BrowserPageFetcher pages(dispatcher, registry);

  EngineServices services{.dispatcher = dispatcher,
                          .factory = factory,
                          .view = view,
                          .paths = paths,
                          .sound = &sound,
                          .pages = &pages,
                          .wmp9_installed = [&registry] { return IsWmp9Installed(registry); },
                          .user_default_language_id = SystemDefaultLanguageId()};
  PlaybackEngine engine(services);
  engine.SetOptions({.reconnect = settings.options.reconnect,
                     .retry_num = settings.options.retry_num,
                     .retry_delay = settings.options.retry_delay,
                     .enable_sound = settings.options.enable_sound,
                     .video_form_visible = false});
  engine.SetVolume(settings.player.volume);
  engine.SetBalance(settings.player.balance);

  SignalBridge signals_bridge;
  QObject::connect(&signals_bridge, &SignalBridge::terminationRequested, [&] {
    view.Print("signal", "stopping");
    engine.Stop();
    QCoreApplication::exit(0);
  });

  // A single number is a station of the directory; anything else is a list
  // of addresses tried in order.
  const std::optional<int> id = args->targets.size() == 1 ? ParseNumber(args->targets[0]) : std::nullopt;
  if (id && *id > 0) {
    engine.PlayStation(*id);
    if (engine.AddressList().empty()) {
      std::fprintf(stderr, "tazmel-play: station %d has no address in %s\n", *id, paths.DataFolder().c_str());
      return 1;
    }
  } else {
    std::string lines;
    for (const std::string& target : args->targets) lines += target + "\r\n";
    engine.PlayAddresses(lines, "", args->kind);
  }

  // Ends after the given time, or once playback has stopped for good: a
  // stopped engine that starts no new attempt within the retry delay.
  const auto start = std::chrono::steady_clock::now();
  const auto settle = std::chrono::seconds(std::max(settings.options.retry_delay, 0) + 2);
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const auto now = std::chrono::steady_clock::now();
    const bool time_up = args->seconds && now - start >= std::chrono::seconds(*args->seconds);
    const bool ended =
        view.Transport() == TransportState::kStopped && !engine.IsActive() && now - view.LastStateChange() >= settle;
    if (time_up || ended) {
      engine.Stop();
      QCoreApplication::exit(0);
    }
  });
  watch.start(100);

  QCoreApplication::exec();
  return view.ReachedPlaying() ? 0 : 1;
}
