// Shows the video window playing a clip (plain, with its menu open and full
// screen) and the tree generator window (idle and mid-run), translated from
// a language file, and saves each as a PNG taken from the screen, so the
// picture libmpv draws is in it: for looking at them on a private X server
// (scripts/video_windows.sh).
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <iostream>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "playback/mpv/mpv_controls.h"
#include "ui/playback/video_window.h"
#include "ui/playlist/tree_generator_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace {

void Wait(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool SaveScreen(const QRect& area, const QString& path) {
  Wait(600);
  return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: video_window_shots LANGUAGE.ini OUT_PREFIX CLIP\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  bool ok = true;

  tazmel::QtDispatcher dispatcher;
  tazmel::TfrmVideo video;
  tazmel::TranslateWindow(video, language);
  tazmel::MpvOptions options{.hidden = false,
                             .audio_output = "null",
                             .window_id = video.VideoWindowId(),
                             .extra_options = {{"loop-file", "inf"}, {"gpu-context", "x11egl"}}};
  auto player = tazmel::MpvWmp9::Create(dispatcher, options);
  if (!player) return 1;
  video.picture_size = [&] { return QSize(player->GetImageSourceWidth(), player->GetImageSourceHeight()); };
  player->SetURL(argv[3]);
  QElapsedTimer started;
  started.start();
  while (player->GetImageSourceWidth() == 0 && started.elapsed() < 20000) Wait(50);
  video.SetTitle(tazmel::FromGb(tazmel::ToGb(QStringLiteral("Loopback Video FM \u00b7 \u6d4b\u8bd5\u9891\u9053"))));
  video.ShowPicture();
  video.move(20, 20);
  const QRect frame(0, 0, video.x() + video.width() + 20, video.y() + video.height() + 20);
  ok = SaveScreen(frame, prefix + QStringLiteral("video.png")) && ok;
  video.PopupMenu(video.mapToGlobal(QPoint(60, 60)));
  const QRect menu = video.Menu().geometry();
  ok = SaveScreen(frame.united(menu.adjusted(0, 0, 10, 10)), prefix + QStringLiteral("video-menu.png")) && ok;
  video.Menu().hide();
  video.FullScreen();
  ok = SaveScreen(QGuiApplication::primaryScreen()->geometry(), prefix + QStringLiteral("video-full.png")) && ok;
  video.ClosePicture();

  tazmel::TfrmTreeGenerator generator;
  tazmel::TranslateWindow(generator, language);
  generator.show();
  generator.move(20, 20);
  Wait(300);
  ok = generator.grab().save(prefix + QStringLiteral("generator.png")) && ok;
  generator.SetRunning(true);
  generator.ShowProgress(60, 100);
  Wait(300);
  ok = generator.grab().save(prefix + QStringLiteral("generator-running.png")) && ok;
  generator.SetRunning(false);
  player.reset();
  return ok ? 0 : 1;
}
