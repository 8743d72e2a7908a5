#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

#include "skin/skin_ini.h"

class QWidget;

namespace tazmel {

// The shape of a window of `size` whose pixels (taken from `source`) equal
// `color` exactly are cut away, scanning only the areas the crop type names:
// 0 the whole window, 1 the four strips outside `rect`, 2 the four corners
// outside `rect`, any other type nothing. Pixels outside `source` stay.
QRegion CropRegion(const QImage& source, QSize size, SkinColor color, SkinRect rect, int type);

// Gives `window` the region above (of its current size) and redraws it.
void CropWindow(QWidget& window, const QImage& source, SkinColor color, SkinRect rect, int type);

// The playlist window's crop rectangle and type for a window of
// `window_size` made from a face of `face_size`: a non-zero rectangle
// stretches its right and bottom edges with the window; an all-zero one
// scans the whole window as type 1.
struct PlayListCrop {
  SkinRect rect;
  int type = 1;
};
PlayListCrop PlayListCropFor(const CropRule& rule, QSize window_size, QSize face_size);

}  // namespace tazmel
