#pragma once

// The skin's drawing: every picture is painted with anti-aliasing into a transparent image and
// then turned into a keyed bitmap (ToKeyedPixels), so edge pixels never blend with the key.

#include "resources/WindowLayout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace sonavia::skin {

// The art is drawn around the window's layout.
using namespace layout;

// Colours that follow the hue slider share the panel's hue; `saturation` and `value` are 0..255.
QColor PanelTone(int saturation, int value, int alpha = 255);
QColor Grey(int level, int alpha = 255);

// A font of the skin: DejaVu Sans, condensed when asked, sized in pixels.
QFont SkinFont(double pixelSize, bool bold = false, bool condensed = false);
// The largest size up to `pixelSize` at which `text` fits `width`.
QFont FittedFont(const QString& text, double pixelSize, double width, bool bold, bool condensed);

// A transparent image of `size` window pixels drawn `scale` times as fine: its device pixel
// ratio is `scale`, so the drawing code paints in window pixels at every scale.
QImage TransparentImage(QSize size, int scale = 1);
void PrepareAntialiased(QPainter& painter);

// A transparent-background picture made opaque: pixels at least half covered keep their colour
// (undone from the blend with transparency), the rest take the key colour. Drawn pixels that
// could turn into the key colour after a hue change are nudged off it.
QImage ToKeyedPixels(const QImage& art, QRgb key);

// The face of a skin button, painted with its top-left corner at `origin`.
void PaintButtonFace(QPainter& painter, Button button, QPointF origin);
// The download button's face; `highlighted` gives the flashing "new version" look.
void PaintDownloadFace(QPainter& painter, QPointF origin, bool highlighted);

// Film frame 0 is the still picture; frames 1 to 4 loop while the cursor is over the button.
QImage FilmFrame(int frame, int scale = 1);

// The background with the "ON AIR" lamp lit, or dim (the picture kLampDimBitmap is cut from).
QImage Background(int scale = 1, bool lampLit = true);

} // namespace sonavia::skin
