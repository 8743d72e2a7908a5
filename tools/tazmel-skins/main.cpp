// tazmel-skins FOLDER
//
// Draws the shipped skins into FOLDER/Default and FOLDER/Daylight: skin.ini,
// the faces at 1x and 2x, the digit strips, the node icons and the tray
// animation. Everything is vector drawing without fonts, so every run on
// every machine writes the same bytes.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "design.h"
#include "skin_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tazmel-skins SKINS_FOLDER\n");
    return 2;
  }
  // Drawing needs no display; an explicit platform choice still wins.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);

  const std::filesystem::path root(argv[1]);
  for (const tazmel::skins::SkinDesign& design : {tazmel::skins::DefaultDesign(), tazmel::skins::DaylightDesign()}) {
    const QString error = tazmel::skins::WriteSkin(design, root / design.name);
    if (!error.isEmpty()) {
      std::fprintf(stderr, "tazmel-skins: %s\n", qPrintable(error));
      return 1;
    }
  }
  return 0;
}
