// Prints how long it takes to build the shape of a skin-sized picture: from runs of equal pixels
// per row, and one pixel at a time by cutting every key-coloured pixel out of the full rectangle.
// Run it by hand: bench_skin_shape [picture]
#include "controls/SkinShape.h"

#include <QImage>
#include <QRegion>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 760;
constexpr int kHeight = 290;
constexpr QRgb kKey = 0xFFFF00FF;

// A window-like picture: rounded corners, a wavy outline that differs on every row and a notched
// top edge in the key colour, shaded artwork inside and key-coloured holes and dots in it.
QImage SkinLikePicture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    constexpr int kCorner = 40;
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int wave = static_cast<int>(8 + 6 * std::sin(y / 7.0));
        for (int x = 0; x < kWidth; ++x) {
            const int dx = std::max({kCorner - x, x - (kWidth - 1 - kCorner), 0});
            const int dy = std::max({kCorner - y, y - (kHeight - 1 - kCorner), 0});
            const bool outside =
                dx * dx + dy * dy > kCorner * kCorner || x < wave || x >= kWidth - wave;
            const bool notch = y < 12 && (x / 30) % 3 == 0;
            const bool hole = (x % 97 > 90) && (y % 53 > 47);
            const bool dot = (x * 7 + y * 13) % 211 == 0;
            line[x] =
                outside || notch || hole || dot ? kKey : qRgb(x % 256, y % 256, (x + y) % 256);
        }
    }
    return image;
}

QRegion ShapeBySinglePixels(const QImage& image) {
    const QRgb key = image.pixel(0, 0);
    QRegion shape(0, 0, image.width(), image.height());
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) == key) {
                shape ^= QRegion(x, y, 1, 1);
            }
        }
    }
    return shape;
}

double Milliseconds(const std::function<QRegion()>& build, int rounds, QRegion& result) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        result = build();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

// Takes a picture file (a skin background, say) as its argument; without one it makes its own.
int main(int argc, char** argv) {
    const QImage picture =
        argc > 1 ? QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32)
                 : SkinLikePicture();
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QRegion byRuns;
    QRegion byPixels;
    const double runs =
        Milliseconds([&] { return sonavia::ShapeFromKeyColour(picture); }, 20, byRuns);
    const double pixels = Milliseconds([&] { return ShapeBySinglePixels(picture); }, 1, byPixels);
    std::printf("shape of a %d x %d picture (%d rectangles)\n", picture.width(), picture.height(),
                byRuns.rectCount());
    std::printf("  by runs:          %10.3f ms (best of 20; target under 5 ms)\n", runs);
    std::printf("  by single pixels: %10.3f ms\n", pixels);
    const bool same = (byRuns ^ byPixels).isEmpty();
    std::printf("  same pixels:      %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
