// Renders the skin's pictures into 32-bit bitmaps in the folder given as the only argument.

#include "catalogue/Bitmap.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <fstream>
#include <iostream>
#include <span>

namespace {

constexpr QSize kBackgroundSize{760, 290};
const QColor kKeyColour{255, 0, 255};
const QColor kPanel{134, 202, 240};

bool WriteBitmap(const QString& folder, const char* name, const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(argb.width()) * argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::copy(line, line + argb.width(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * argb.width());
    }
    const std::string bytes = sonavia::EncodeBitmap32(argb.width(), argb.height(), pixels);
    std::ofstream out((folder + "/" + name).toStdString(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

QImage Background() {
    QImage image(kBackgroundSize, QImage::Format_RGB32);
    image.fill(kKeyColour);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(4, 4, kBackgroundSize.width() - 8, kBackgroundSize.height() - 8), 28, 28);
    painter.fillPath(outline, kPanel);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, kBackgroundSize.width(), 24), Qt::AlignCenter,
                     QStringLiteral("Sonavia Plus"));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: skin-render OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    return WriteBitmap(folder, "stationbackground.bmp", Background()) ? 0 : 1;
}
