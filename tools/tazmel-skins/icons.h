#pragma once

// Node and tray icons, and the ICO container they are written in.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <vector>

namespace tazmel::skins {

inline constexpr int kIconSizes[] = {16, 32, 48};

// Node icon `index` (0 station, 1 group, 2 favourites, 3 recently played,
// 4 TV, 5 library, 6 genre, 7 country, 8 composite, 9 net radio) drawn at
// `pixels` square.
QImage NodeIcon(int index, int pixels, QColor accent);

// Tray animation frame 1..8: a radio whose waves pulse outwards.
QImage TrayIcon(int frame, int pixels, QColor accent);

// An ICO file holding every image as a 32-bit DIB with its AND mask.
QByteArray IcoFile(const std::vector<QImage>& images);

}  // namespace tazmel::skins
