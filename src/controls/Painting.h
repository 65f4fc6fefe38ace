#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace sonavia {

inline const QColor kLightGrey{240, 240, 240};

// The colours that the skinned controls and the gradient-painted dialogs paint with. The radio
// window samples the panel colour from its skin and makes it the theme colour too; one palette
// lasts the whole run, so that a later radio window and the message dialog keep it.
struct SkinPalette {
    QColor panel{134, 202, 240};
    QColor theme{182, 189, 190};
};

// The colours before a skin has been applied.
const SkinPalette& DefaultPalette();

// The colour of column k of a gradient W columns wide that runs from light grey at the left to
// `colour` at the right: each component is colour + (grey - colour) * (W - k) / W, the division
// truncating towards the colour.
QColor GradientColumnColour(int column, int width, const QColor& colour);

void FillSolid(QPainter& painter, int x, int y, int width, int height, const QColor& colour);

// One-pixel columns of GradientColumnColour over the rectangle's full height; a rectangle of
// width 0 or less paints nothing.
void FillGradient(QPainter& painter, const QRect& rect, const QColor& colour);

} // namespace sonavia
