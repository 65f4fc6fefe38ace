#include "controls/Painting.h"

#include <QPainter>

namespace sonavia {

const SkinPalette& DefaultPalette() {
    static const SkinPalette palette;
    return palette;
}

namespace {

int TowardsGrey(int from, int grey, int step, int width) {
    return grey >= from ? from + ((grey - from) * step) / width
                        : from - ((from - grey) * step) / width;
}

} // namespace

QColor GradientColumnColour(int column, int width, const QColor& colour) {
    const int step = width - column;
    return QColor(TowardsGrey(colour.red(), kLightGrey.red(), step, width),
                  TowardsGrey(colour.green(), kLightGrey.green(), step, width),
                  TowardsGrey(colour.blue(), kLightGrey.blue(), step, width));
}

void FillSolid(QPainter& painter, int x, int y, int width, int height, const QColor& colour) {
    painter.fillRect(x, y, width, height, colour);
}

void FillGradient(QPainter& painter, const QRect& rect, const QColor& colour) {
    const int width = rect.width();
    for (int k = 0; k < width; ++k) {
        FillSolid(painter, rect.left() + k, rect.top(), 1, rect.height(),
                  GradientColumnColour(k, width, colour));
    }
}

} // namespace sonavia
