#include "Art.h"

#include <QFontMetricsF>
#include <algorithm>

namespace sonavia::skin {

namespace {

constexpr int kOpaqueFromAlpha = 128;
// A hue change keeps a pixel's largest channel and, up to rounding, its smallest: a drawn pixel
// with 255 and at least 2 can never become the key colour's 255 and 0.
constexpr int kSafeSmallestChannel = 2;

} // namespace

QColor PanelTone(int saturation, int value, int alpha) {
    return QColor::fromHsv(QColor(kPanelColour).hsvHue(), saturation, value, alpha);
}

QColor Grey(int level, int alpha) {
    return QColor(level, level, level, alpha);
}

QFont SkinFont(double pixelSize, bool bold, bool condensed) {
    QFont font(condensed ? QStringLiteral("DejaVu Sans Condensed")
                         : QString::fromLatin1(kSkinFontFamily));
    // Images are 96 dots per inch: points are three quarters of a pixel, and allow half sizes.
    font.setPointSizeF(pixelSize * 0.75);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont FittedFont(const QString& text, double pixelSize, double width, bool bold, bool condensed) {
    for (double size = pixelSize; size > 6; size -= 0.5) {
        QFont font = SkinFont(size, bold, condensed);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width) {
            return font;
        }
    }
    return SkinFont(6, bold, condensed);
}

QImage TransparentImage(QSize size, int scale) {
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

void PrepareAntialiased(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QImage ToKeyedPixels(const QImage& art, QRgb key) {
    const QImage source = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(in[x]) < kOpaqueFromAlpha) {
                line[x] = key;
                continue;
            }
            const QRgb plain = qUnpremultiply(in[x]);
            int channels[3] = {qRed(plain), qGreen(plain), qBlue(plain)};
            const auto [low, high] = std::minmax_element(std::begin(channels), std::end(channels));
            if (*high == 255 && *low < kSafeSmallestChannel) {
                for (int& c : channels) {
                    c = std::max(c, kSafeSmallestChannel);
                }
            }
            line[x] = qRgb(channels[0], channels[1], channels[2]);
        }
    }
    return out;
}

} // namespace sonavia::skin
