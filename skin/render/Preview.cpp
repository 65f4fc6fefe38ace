#include "Preview.h"

#include "Art.h"
#include "Icons.h"
#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"
#include "resources/Resources.h"

#include <algorithm>
#include <optional>

namespace sonavia::skin {

namespace {

// The sheet shows the parts twice their size: drawn so, as a dense screen shows them.
constexpr int kZoom = 2;

// The entry drawn twice as fine as the program would see it: decoded, in its stored colours.
std::optional<DecodedBitmap> LoadEntry(const InterfacePackDirectory& archive,
                                       const std::string& name) {
    const std::optional<std::string> data =
        ReadArchiveEntry(archive, FindArchiveEntry(archive, ScaledEntryName(name, kZoom)));
    if (!data) {
        return std::nullopt;
    }
    return DecodeBitmap(*data);
}

// Key-coloured pixels become transparent, as they are outside the window or the button.
QImage ToPreviewImage(const DecodedBitmap& bitmap, bool keyed) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
    const Rgb key = bitmap.Pixel(0, 0);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Rgb pixel = bitmap.Pixel(x, y);
            image.setPixel(x, y,
                           keyed && pixel == key ? qRgba(0, 0, 0, 0)
                                                 : qRgb(pixel.red, pixel.green, pixel.blue));
        }
    }
    return image;
}

} // namespace

QImage PartsSheet(const std::filesystem::path& archivePath) {
    constexpr int kGap = 14;
    constexpr int kLabelWidth = 96;
    const InterfacePackDirectory archive = ReadArchiveDirectory(archivePath);
    std::vector<std::pair<QString, QImage>> parts;
    for (int frame = 0; frame <= kFilmLoopFrames; ++frame) {
        const std::string name = "film" + std::to_string(frame) + ".bmp";
        if (const auto bitmap = LoadEntry(archive, name)) {
            parts.emplace_back(QString::fromStdString(name), ToPreviewImage(*bitmap, false));
        }
    }
    for (const char* name : {"version.bmp", kNewVersionBitmap}) {
        if (const auto bitmap = LoadEntry(archive, name)) {
            parts.emplace_back(QString::fromLatin1(name), ToPreviewImage(*bitmap, true));
        }
    }
    const std::vector<QImage> tray = TrayIconFrames(kZoom);
    for (std::size_t i = 0; i < tray.size(); ++i) {
        parts.emplace_back(QStringLiteral("tray %1").arg(i + 1), tray[i]);
    }

    const int rowHeight = kFilmSize.height() * kZoom + 30;
    QImage sheet(QSize(760, 3 * rowHeight + kGap), QImage::Format_ARGB32);
    sheet.fill(Grey(246));
    QPainter painter(&sheet);
    PrepareAntialiased(painter);
    painter.setFont(SkinFont(11));
    int x = kGap;
    int y = kGap;
    const auto place = [&](const QString& label, const QImage& image) {
        const QSize shown = image.size();
        const int cell = std::max(shown.width(), kLabelWidth);
        if (x + cell > sheet.width() - kGap) {
            x = kGap;
            y += rowHeight;
        }
        painter.drawImage(QRect(QPoint(x + (cell - shown.width()) / 2, y), shown), image);
        painter.setPen(Grey(60));
        painter.drawText(QRect(x, y + shown.height() + 2, cell, 16),
                         Qt::AlignHCenter | Qt::AlignTop, label);
        x += cell + kGap;
    };
    for (const auto& [label, image] : parts) {
        place(label, image);
    }
    place(QStringLiteral("window"), ApplicationIcon(resources::kTrayIconSize * kZoom));
    place(QStringLiteral("cursor"), NormalCursor(kZoom));
    place(QStringLiteral("held"), PressedCursor(kZoom));
    place(QStringLiteral("tree"), TreeBitmap(TreePicture::Listed, kZoom));
    place(QStringLiteral("selected"), TreeBitmap(TreePicture::Selected, kZoom));
    place(QStringLiteral("failed"), TreeBitmap(TreePicture::Failed, kZoom));
    painter.end();
    return sheet;
}

} // namespace sonavia::skin
