#include "ui/controls/drop_target.h"

#include <gtest/gtest.h>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <fstream>
#include <memory>

#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

QByteArray Utf16(const QString& text) {
  return QByteArray(reinterpret_cast<const char*>(text.utf16()), static_cast<int>(text.size() * 2));
}

class DropTargetTest : public ::testing::Test {
 protected:
  DropTargetTest() { test::QtApp(); }

  std::string Write(const std::string& name, const std::string& body) {
    const std::string path = dir_.path() / name;
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }

  test::TempDir dir_;
  TDropURLFilesTarget target_;
};

// A dropped shortcut file yields its link and its name as the title; the
// file itself is in the file list.
TEST_F(DropTargetTest, ShortcutFileGivesLinkAndTitle) {
  const std::string path = Write("News.url", "[InternetShortcut]\r\nURL=http://news.example/live\r\n");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  ASSERT_TRUE(target_.TakeData(mime));
  EXPECT_EQ(target_.DroppedURL(), "http://news.example/live");
  EXPECT_EQ(target_.DroppedTitle(), "News");
  EXPECT_EQ(target_.DroppedFiles(), std::vector<std::string>{path});
  EXPECT_TRUE(target_.DroppedMappedNames().empty());
}

// A browser's link with its title line; the title reaches the logic in the
// data code page.
TEST_F(DropTargetTest, BrowserLinkTitleInDataCodePage) {
  QMimeData mime;
  mime.setData(u"text/x-moz-url"_s, Utf16(QStringLiteral("http://a.example/\n\u4e2d\u6587\u53f0")));
  mime.setText(u"http://a.example/"_s);
  ASSERT_TRUE(target_.TakeData(mime));
  EXPECT_EQ(target_.DroppedURL(), "http://a.example/");
  EXPECT_EQ(target_.DroppedTitle(), "\xd6\xd0\xce\xc4\xcc\xa8");
}

// Which offers are taken at all; a taking that finds nothing clears the
// results of the previous one.
TEST_F(DropTargetTest, AcceptedFormats) {
  struct Case {
    const char* format;
    QByteArray data;
    bool accepted;
  };
  const Case cases[] = {
      {"text/uri-list", "http://a/\r\n", true},
      {"text/x-moz-url", "http://a/", true},
      {"text/plain", "http://a/", true},
      {"image/png", "\x89PNG", false},
      {"application/octet-stream", QByteArray(64, '\0'), false},
  };
  for (const Case& c : cases) {
    QMimeData mime;
    mime.setData(QString::fromLatin1(c.format), c.data);
    EXPECT_EQ(TDropURLFilesTarget::Accepts(mime), c.accepted) << c.format;
    EXPECT_EQ(target_.TakeData(mime), c.accepted) << c.format;
    if (!c.accepted) {
      EXPECT_TRUE(target_.DroppedURL().empty() && target_.DroppedTitle().empty()) << c.format;
    }
  }
}

// Pasting takes the file list only.
TEST_F(DropTargetTest, PasteTakesFiles) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(u"/tmp/a b.mp3"_s), QUrl(u"http://x/"_s)});
  EXPECT_TRUE(target_.PasteFiles(mime));
  EXPECT_EQ(target_.DroppedFiles(), std::vector<std::string>{"/tmp/a b.mp3"});
  QMimeData text;
  text.setText(u"/tmp/a.mp3"_s);
  EXPECT_FALSE(target_.PasteFiles(text));
  EXPECT_TRUE(target_.DroppedFiles().empty());
}

// A drag over a window: enter, then drop; whether the drop was taken.
bool DragAndDrop(QWidget& window, Qt::DropActions actions, const QMimeData& mime, QPoint at) {
  QDragEnterEvent enter(at, actions, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  QDropEvent drop(QPointF(at), actions, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

// On a registered window a drop with an allowed action takes the data and
// raises OnDrop with that action at the screen point; a drop whose actions
// are not allowed is refused; a revoked window takes no drops.
TEST_F(DropTargetTest, DropOnRegisteredWindow) {
  QWidget window;
  window.resize(200, 100);
  target_.Register(&window);
  EXPECT_TRUE(window.acceptDrops());
  int drops = 0;
  Qt::DropAction taken = Qt::IgnoreAction;
  QPoint where;
  target_.OnDrop = [&](Qt::KeyboardModifiers, Qt::DropAction action, QPoint point) {
    ++drops;
    taken = action;
    where = point;
  };
  QMimeData mime;
  mime.setText(u"http://drop.example/"_s);

  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::LinkAction);
  EXPECT_EQ(target_.DroppedURL(), "http://drop.example/") << "data taken on enter";

  EXPECT_TRUE(DragAndDrop(window, Qt::CopyAction | Qt::LinkAction, mime, QPoint(10, 20)));
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(taken, Qt::LinkAction);
  EXPECT_EQ(where, window.mapToGlobal(QPoint(10, 20)));

  EXPECT_FALSE(DragAndDrop(window, Qt::CopyAction, mime, QPoint(1, 1)));
  EXPECT_EQ(drops, 1);

  target_.SetDragtypes(Qt::CopyAction | Qt::LinkAction);
  EXPECT_TRUE(DragAndDrop(window, Qt::CopyAction, mime, QPoint(1, 1)));
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(taken, Qt::CopyAction);

  QMimeData image;
  image.setData(u"image/png"_s, "\x89PNG");
  EXPECT_FALSE(DragAndDrop(window, Qt::LinkAction, image, QPoint(1, 1)));

  target_.Revoke();
  EXPECT_FALSE(window.acceptDrops());
  EXPECT_FALSE(DragAndDrop(window, Qt::LinkAction, mime, QPoint(1, 1)));
  EXPECT_EQ(drops, 2);
}

// A window destroyed before its target leaves nothing dangling.
TEST_F(DropTargetTest, WindowDestroyedFirst) {
  auto window = std::make_unique<QWidget>();
  target_.Register(window.get());
  window.reset();
  target_.Revoke();
  QWidget next;
  target_.Register(&next);
  EXPECT_TRUE(next.acceptDrops());
}

}  // namespace
}  // namespace tazmel
