#include "ui/playback/video_window.h"

#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "ui/qt_app.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

IniFile LanguageWithCaption(const char* caption) {
  IniFile language;
  language.WriteString("frmVideo", "frmVideo", caption);
  return language;
}

// The caption comes from the language whenever no station title shows, also
// after a language switch made while one showed; the title shown stays.
TEST(VideoWindowTest, CaptionFromTheLanguageTitleFromTheStation) {
  test::QtApp();
  TfrmVideo video;
  TranslateWindow(video, LanguageWithCaption("\xca\xd3\xc6\xb5"));  // "video" in the data code page
  EXPECT_EQ(video.windowTitle(), FromGb("\xca\xd3\xc6\xb5"));
  video.SetTitle(u"Loopback FM"_s);
  EXPECT_EQ(video.windowTitle(), u"Loopback FM"_s);
  TranslateWindow(video, LanguageWithCaption("Video"));
  EXPECT_EQ(video.windowTitle(), u"Loopback FM"_s);
  video.SetTitle({});
  EXPECT_EQ(video.windowTitle(), u"Video"_s);
}

}  // namespace
}  // namespace tazmel
