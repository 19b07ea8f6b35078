// Outlines of text in the game's one typeface, straight from the font file so
// no other installed font can stand in for it.
#pragma once

#include <QPainterPath>
#include <QString>
#include <vector>

namespace draw {

// Loads DejaVu Sans Bold; stops the program if the file is missing.
void LoadTypeface();

// The outline of `text` at `pixelSize`, pen at (0, 0) on the baseline, laid
// out with the font's own advances. Filled with the winding rule.
QPainterPath TextPath(const QString& text, qreal pixelSize);

// The same outline split into one path per letter, each where TextPath puts it.
std::vector<QPainterPath> LetterPaths(const QString& text, qreal pixelSize);

} // namespace draw
