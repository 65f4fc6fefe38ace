#include "controls/SkinShape.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace sonavia {

namespace {

// Compares colours only: the reserved byte of a skin picture carries no meaning.
constexpr QRgb kColourBits = 0x00FFFFFF;

// Rows whose runs start and end at the same columns form one band of the region.
bool SameSpans(const std::vector<QRect>& rects, std::size_t bandStart,
               const std::vector<QRect>& row) {
    if (rects.size() - bandStart != row.size()) {
        return false;
    }
    return std::equal(row.begin(), row.end(), rects.begin() + bandStart,
                      [](const QRect& a, const QRect& b) {
                          return a.left() == b.left() && a.width() == b.width();
                      });
}

// The region of the pixels for which `inside(x, y)` holds, in the region's own layout: bands
// sorted top to bottom, runs left to right, no two runs of a band touching, and no two touching
// bands with the same runs.
template <typename Inside> QRegion RegionOfRuns(int width, int height, Inside inside) {
    std::vector<QRect> rects;
    std::vector<QRect> row;
    std::size_t bandStart = 0;
    int bandBottom = -2;
    for (int y = 0; y < height; ++y) {
        row.clear();
        int x = 0;
        while (x < width) {
            while (x < width && !inside(x, y)) {
                ++x;
            }
            const int start = x;
            while (x < width && inside(x, y)) {
                ++x;
            }
            if (x > start) {
                row.emplace_back(start, y, x - start, 1);
            }
        }
        if (row.empty()) {
            continue;
        }
        if (bandBottom == y - 1 && SameSpans(rects, bandStart, row)) {
            for (auto it = rects.begin() + bandStart; it != rects.end(); ++it) {
                it->setHeight(it->height() + 1);
            }
        } else {
            bandStart = rects.size();
            rects.insert(rects.end(), row.begin(), row.end());
        }
        bandBottom = y;
    }

    QRegion shape;
    shape.setRects(rects.data(), static_cast<int>(rects.size()));
    return shape;
}

QImage ThirtyTwoBit(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QRegion ShapeFromKeyColour(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage pixels = ThirtyTwoBit(image);
    const QRgb key = pixels.pixel(0, 0) & kColourBits;
    const uchar* bits = pixels.constBits();
    const qsizetype rowBytes = pixels.bytesPerLine();
    return RegionOfRuns(pixels.width(), pixels.height(), [bits, rowBytes, key](int x, int y) {
        return (reinterpret_cast<const QRgb*>(bits + y * rowBytes)[x] & kColourBits) != key;
    });
}

QRegion WindowPixelShape(const QImage& image) {
    const double ratio = image.devicePixelRatio();
    if (image.isNull() || ratio == 1.0) {
        return ShapeFromKeyColour(image);
    }
    const QImage pixels = ThirtyTwoBit(image);
    const QRgb key = pixels.pixel(0, 0) & kColourBits;
    const int width = static_cast<int>(std::ceil(pixels.width() / ratio));
    const int height = static_cast<int>(std::ceil(pixels.height() / ratio));
    // Device pixel d covers window pixels first[d] to last[d]: floor(d / ratio) to
    // ceil((d + 1) / ratio) - 1.
    const auto spans = [ratio](int devicePixels, int windowPixels) {
        std::vector<std::pair<int, int>> span(static_cast<std::size_t>(devicePixels));
        for (int d = 0; d < devicePixels; ++d) {
            span[d] = {
                static_cast<int>(std::floor(d / ratio)),
                std::min(windowPixels - 1, static_cast<int>(std::ceil((d + 1) / ratio)) - 1)};
        }
        return span;
    };
    const auto columns = spans(pixels.width(), width);
    const auto rows = spans(pixels.height(), height);
    std::vector<std::uint8_t> covered(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < pixels.width()) {
            while (x < pixels.width() && (line[x] & kColourBits) == key) {
                ++x;
            }
            const int start = x;
            while (x < pixels.width() && (line[x] & kColourBits) != key) {
                ++x;
            }
            if (x == start) {
                continue;
            }
            for (int wy = rows[y].first; wy <= rows[y].second; ++wy) {
                auto* row = covered.data() + static_cast<std::size_t>(wy) * width;
                std::fill(row + columns[start].first, row + columns[x - 1].second + 1, 1);
            }
        }
    }
    return RegionOfRuns(width, height, [&covered, width](int x, int y) {
        return covered[static_cast<std::size_t>(y) * width + x] != 0;
    });
}

QImage WithKeyColourClear(const QImage& image) {
    if (image.isNull()) {
        return image;
    }
    QImage pixels = ThirtyTwoBit(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb key = pixels.pixel(0, 0) & kColourBits;
    for (int y = 0; y < pixels.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            line[x] = (line[x] & kColourBits) == key ? 0 : line[x] | ~kColourBits;
        }
    }
    pixels.setDevicePixelRatio(image.devicePixelRatio());
    return pixels;
}

} // namespace sonavia
