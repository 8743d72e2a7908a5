#pragma once

// Drawing primitives shared by the faces and icons. Everything is vector
// drawing in design units; the caller's painter carries the scale.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>

#include "design.h"

namespace tazmel::skins {

enum class Glyph {
  kNone,
  kPlay,
  kPause,
  kStop,
  kPrevious,
  kNext,
  kRecord,
  kEject,
  kList,
  kSpeaker,
  kSpeakerMuted,
  kNote,
  kChevronUp,
  kChevronDown,
  kMenu,
  kMinimize,
  kClose,
  kInfo,
  kGlobe,
  kClock,
  kPlus,
  kMinus,
  kFolder,
  kPencil,
  kTrash,
  kSearch,
  kHash,
  kRing,
};

// A transparent canvas of `size` design units at `scale`, and a painter on
// it set up to draw in design units with antialiasing.
QImage NewCanvas(QSize size, int scale);
void BeginPainter(QPainter& painter, QImage& canvas, int scale);

// Turns a canvas into an opaque 24-bit bitmap: pixels less than half covered
// become `key` (the transparent colour of the skin), the rest are laid over
// `under`. Hard edges against the key keep the mask colour out of every
// visible pixel.
QImage Flatten(const QImage& canvas, QColor key, QColor under);

// `glyph` centred in `box`, `size` design units across, strokes `pen` units.
void DrawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, qreal size, QColor color, qreal pen = 1.3);

// The logotype "Tazmel" built from strokes, filling `box` (height = cap
// height); no font is involved.
void DrawWordmark(QPainter& painter, const QRectF& box, QColor color, qreal pen);

// The round logo mark: a disc with two radio waves.
void DrawLogoMark(QPainter& painter, const QRectF& box, QColor disc, QColor ink, bool glow);

// A recessed panel: flat `theme.panel` with a dark rim and a faint lower
// highlight.
void DrawInset(QPainter& painter, const Theme& theme, const QRectF& rect, qreal radius);

// One seven-segment cell: `cell_index` 0..9 digits, 10 the colon, 11 blank.
void DrawDigitCell(QPainter& painter, const QRectF& cell, int cell_index, QColor lit, QColor ghost, qreal stroke);

// How a button is shown: `lit` marks a toggle that is on.
struct ButtonLook {
  Glyph glyph = Glyph::kNone;
  bool pressed = false;
  bool lit = false;
  QColor lit_color;  // invalid: the theme accent
};
void DrawButton(QPainter& painter, const Theme& theme, ButtonKind kind, const QRectF& rect, const ButtonLook& look);

// A slider track; `filled` draws the accent fill the program reveals up to
// the thumb.
void DrawTrack(QPainter& painter, const Theme& theme, const QRectF& bounds, bool filled, bool centre_mark);

// A round or pill thumb.
void DrawKnob(QPainter& painter, const Theme& theme, const QRectF& rect, bool dragged);

}  // namespace tazmel::skins
