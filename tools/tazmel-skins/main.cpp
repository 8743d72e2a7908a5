// tazmel-skins FOLDER
// tazmel-skins --app-icons HICOLOR_FOLDER
//
// Draws the shipped skins into FOLDER/Default and FOLDER/Daylight: skin.ini,
// the faces at 1x and 2x, the digit strips, the node icons and the tray
// animation. With --app-icons it draws the program's icon from the Default
// skin's logo mark into a hicolor theme folder instead. Everything is vector drawing without fonts, so every run on
// every machine writes the same bytes.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "app_icons.h"
#include "design.h"
#include "skin_files.h"

int main(int argc, char** argv) {
  const bool icons = argc == 3 && std::string_view(argv[1]) == "--app-icons";
  if (argc != 2 && !icons) {
    std::fprintf(stderr, "usage: tazmel-skins SKINS_FOLDER\n       tazmel-skins --app-icons HICOLOR_FOLDER\n");
    return 2;
  }
  // Drawing needs no display; an explicit platform choice still wins.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  if (icons) {
    const QString error = tazmel::skins::WriteAppIcons(tazmel::skins::DefaultDesign().theme, argv[2]);
    if (error.isEmpty()) return 0;
    std::fprintf(stderr, "tazmel-skins: %s\n", qPrintable(error));
    return 1;
  }

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
