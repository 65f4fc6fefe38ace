#include "controls/SkinShape.h"

#include <algorithm>
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

} // namespace

QRegion ShapeFromKeyColour(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int width = pixels.width();
    const int height = pixels.height();
    const QRgb key = pixels.pixel(0, 0) & kColourBits;

    // The region's own layout: bands sorted top to bottom, runs left to right, no two runs of a
    // band touching, and no two touching bands with the same runs.
    std::vector<QRect> rects;
    std::vector<QRect> row;
    std::size_t bandStart = 0;
    int bandBottom = -2;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        row.clear();
        int x = 0;
        while (x < width) {
            while (x < width && (line[x] & kColourBits) == key) {
                ++x;
            }
            const int start = x;
            while (x < width && (line[x] & kColourBits) != key) {
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

} // namespace sonavia
