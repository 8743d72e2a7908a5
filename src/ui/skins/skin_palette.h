#pragma once

#include <QPalette>

class QWidget;

namespace tazmel {

class SkinState;

// Whether a skin reads as dark: the main face's average luminance together
// with the station tree's background, the two largest areas a user sees.
bool IsDarkSkin(const SkinState& skin);

// A palette for menus and dialogs that matches the loaded skin: window and
// buttons take the main face's average colour, lists and edits the station
// tree's background and text, selections the tree's selected colours; text
// is light on a dark skin and dark on a light one wherever the skin's own
// colour would not stand out. Without a loaded skin, the application's
// (desktop) palette.
QPalette SkinPalette(const SkinState& skin);

// Gives `widget`, its children and the submenus and dialogs it holds now
// the skin palette; without a loaded skin they go back to the desktop's.
// Windows made later take it by their own call (or, for station submenus,
// from their parent menu).
void ApplySkinPalette(QWidget& widget, const SkinState& skin);

}  // namespace tazmel
