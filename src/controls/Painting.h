#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace sonavia {

inline const QColor kLightGrey{240, 240, 240};

// Colour sampled from the radio window's skin; the skinned controls paint with it.
inline QColor panelColour{134, 202, 240};
// Colour of gradient-painted dialogs; the radio window sets it to the panel colour.
inline QColor themeColour{182, 189, 190};

// The colour of column k of a gradient W columns wide that runs from light grey at the left to
// `colour` at the right: each component is colour + (grey - colour) * (W - k) / W, the division
// truncating towards the colour.
QColor GradientColumnColour(int column, int width, const QColor& colour);

void FillSolid(QPainter& painter, int x, int y, int width, int height, const QColor& colour);

// One-pixel columns of GradientColumnColour over the rectangle's full height; a rectangle of
// width 0 or less paints nothing.
void FillGradient(QPainter& painter, const QRect& rect, const QColor& colour);

} // namespace sonavia
