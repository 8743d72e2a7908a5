#include "ui/skins/crop_window.h"

#include <QRect>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace tazmel {

namespace {

QRect Area(int left, int top, int right, int bottom) { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }

std::vector<QRect> ScanAreas(QSize size, SkinRect r, int type) {
  const int w = size.width(), h = size.height();
  switch (type) {
    case 0:
      return {Area(0, 0, w, h)};
    case 1:
      return {Area(0, 0, w, r.top), Area(0, r.bottom, w, h), Area(0, r.top, r.left, r.bottom),
              Area(r.right, r.top, w, r.bottom)};
    case 2:
      return {Area(0, 0, r.left, r.top), Area(0, r.bottom, r.left, h), Area(r.right, 0, w, r.top),
              Area(r.right, r.bottom, w, h)};
    default:
      return {};
  }
}

}  // namespace

QRegion CropRegion(const QImage& source, QSize size, SkinColor color, SkinRect rect, int type) {
  if (size.isEmpty()) return QRegion();
  const QRect window(QPoint(0, 0), size);
  // Only pixels the source has can match; odd rectangles from a skin must not
  // reach past either bound.
  const QRect scan_bounds = window.intersected(source.rect());
  QImage pixels = source.convertToFormat(QImage::Format_RGB32);
  const QRgb mask = qRgb(SkinRed(color), SkinGreen(color), SkinBlue(color)) & 0xFFFFFF;

  // Overlapping areas (a crop rectangle larger than the window) must remove a
  // pixel only once, so mark first and build the region after.
  std::vector<unsigned char> cut(static_cast<std::size_t>(size.width()) * size.height(), 0);
  for (const QRect& area : ScanAreas(size, rect, type)) {
    QRect a = area.normalized() == area ? area.intersected(scan_bounds) : QRect();
    for (int y = a.top(); y <= a.bottom() && !a.isEmpty(); ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
      for (int x = a.left(); x <= a.right(); ++x) {
        if ((line[x] & 0xFFFFFF) == mask) cut[static_cast<std::size_t>(y) * size.width() + x] = 1;
      }
    }
  }

  std::vector<QRect> runs;
  for (int y = 0; y < size.height(); ++y) {
    const unsigned char* row = cut.data() + static_cast<std::size_t>(y) * size.width();
    for (int x = 0; x < size.width();) {
      if (!row[x]) {
        ++x;
        continue;
      }
      int start = x;
      while (x < size.width() && row[x]) ++x;
      runs.emplace_back(start, y, x - start, 1);
    }
  }
  QRegion removed;
  if (!runs.empty()) removed.setRects(runs.data(), static_cast<int>(runs.size()));
  return QRegion(window).subtracted(removed);
}

void CropWindow(QWidget& window, const QImage& source, SkinColor color, SkinRect rect, int type) {
  window.setMask(CropRegion(source, window.size(), color, rect, type));
  window.update();
}

PlayListCrop PlayListCropFor(const CropRule& rule, QSize window_size, QSize face_size) {
  if (rule.not_crop.IsZero()) return {SkinRect{}, 1};
  SkinRect r = rule.not_crop;
  r.right += window_size.width() - face_size.width();
  r.bottom += window_size.height() - face_size.height();
  return {r, rule.crop_type};
}

}  // namespace tazmel
