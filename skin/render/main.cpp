// Renders the skin. Four jobs, each into a folder:
//   skin-render archive FOLDER          the interface archive's bitmaps (32-bit, keyed)
//   skin-render icons FOLDER            the program's icons, cursors and tree pictures (PNG)
//   skin-render parts ARCHIVE FOLDER    the sheet of the packed skin's small parts (PNG)
//   skin-render app-icons FOLDER NAME   the launcher's icons as a hicolor theme tree:
//                                       FOLDER/<n>x<n>/apps/NAME.png (PNG)

#include "Art.h"
#include "Icons.h"
#include "Preview.h"
#include "localfiles/Bitmap.h"
#include "resources/Resources.h"

#include <QDir>
#include <QGuiApplication>
#include <QSet>
#include <array>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace sonavia;
using namespace sonavia::skin;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
// The sizes of the launcher's icons that desktops look for in the hicolor theme.
constexpr std::array kApplicationIconSizes{16, 32, 48, 64, 128, 256};

bool WriteBitmap(const QString& folder, const QString& name, const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        pixels.insert(pixels.end(), line, line + rgb.width());
    }
    const std::string bytes = EncodeBitmap32(rgb.width(), rgb.height(), pixels);
    std::ofstream out((folder + QLatin1Char('/') + name).toStdString(),
                      std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WritePng(const QString& folder, const QString& name, const QImage& image) {
    return image.save(folder + QLatin1Char('/') + name, "PNG");
}

QImage ButtonBitmap(Button button, QSize size) {
    QImage art = TransparentImage(size);
    QPainter painter(&art);
    PrepareAntialiased(painter);
    PaintButtonFace(painter, button, QPointF(0, 0));
    painter.end();
    return ToKeyedPixels(art, kKeyColour);
}

// The download button's faces are opaque to their corners (they are also copied plainly over the
// window), so their key is one pixel at (0, 0) in a grey that occurs nowhere else in the face:
// the shape is the whole square less that pixel.
QImage DownloadBitmap(QSize size, bool highlighted) {
    QImage art = TransparentImage(size);
    QPainter painter(&art);
    PrepareAntialiased(painter);
    PaintDownloadFace(painter, QPointF(0, 0), highlighted);
    painter.end();
    QImage face = ToKeyedPixels(art, kKeyColour);
    QSet<QRgb> used;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            if (x != 0 || y != 0) {
                used.insert(face.pixel(x, y));
            }
        }
    }
    const QRgb corner = face.pixel(0, 0);
    for (int step = 1; step < 256; ++step) {
        for (const int level : {qRed(corner) + step, qRed(corner) - step}) {
            if (level >= 0 && level <= 255 && !used.contains(qRgb(level, level, level))) {
                face.setPixel(0, 0, qRgb(level, level, level));
                return face;
            }
        }
    }
    return face;
}

int RenderArchive(const QString& folder) {
    bool ok = WriteBitmap(folder, QString::fromLatin1(kBackgroundBitmap), Background());
    for (const ButtonPlace& place : kButtons) {
        const QImage bitmap = place.button == Button::Download
                                  ? DownloadBitmap(place.size, false)
                                  : ButtonBitmap(place.button, place.size);
        ok = WriteBitmap(folder, QString::fromLatin1(place.bitmap), bitmap) && ok;
        if (place.button == Button::Download) {
            ok = WriteBitmap(folder, QString::fromLatin1(kNewVersionBitmap),
                             DownloadBitmap(place.size, true)) &&
                 ok;
        }
    }
    for (int frame = 0; frame <= kFilmLoopFrames; ++frame) {
        ok = WriteBitmap(folder, QStringLiteral("film%1.bmp").arg(frame),
                         ToKeyedPixels(FilmFrame(frame), kKeyColour)) &&
             ok;
    }
    return ok ? 0 : kFailure;
}

QString ResourceFileName(const char* resourcePath) {
    return QString::fromLatin1(resourcePath)
        .mid(static_cast<int>(resources::kResourcePrefix.size()));
}

int RenderIcons(const QString& folder) {
    bool ok = true;
    const std::vector<QImage> frames = TrayIconFrames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ok = WritePng(folder, ResourceFileName(resources::kTrayIconFrames[i]), frames[i]) && ok;
    }
    ok = WritePng(folder, ResourceFileName(resources::kWindowIcon), WindowIcon()) && ok;
    ok = WritePng(folder, ResourceFileName(resources::kCursorNormal), NormalCursor()) && ok;
    ok = WritePng(folder, ResourceFileName(resources::kCursorPressed), PressedCursor()) && ok;
    ok = WritePng(folder, ResourceFileName(resources::kTreeClosed), TreeBitmap(false)) && ok;
    ok = WritePng(folder, ResourceFileName(resources::kTreeSelected), TreeBitmap(true)) && ok;
    return ok ? 0 : kFailure;
}

int RenderApplicationIcons(const QString& folder, const QString& name) {
    bool ok = true;
    for (const int size : kApplicationIconSizes) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        ok = QDir().mkpath(apps) &&
             WritePng(apps, name + QStringLiteral(".png"), ApplicationIcon(size)) && ok;
    }
    return ok ? 0 : kFailure;
}

int RenderParts(const std::filesystem::path& archive, const QString& folder) {
    return WritePng(folder, QStringLiteral("skin-parts.png"), PartsSheet(archive)) ? 0 : kFailure;
}

int Usage() {
    std::cerr << "usage: skin-render archive FOLDER | icons FOLDER | parts ARCHIVE FOLDER | "
                 "app-icons FOLDER NAME\n";
    return kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int result = kUsageError;
    if (args.size() == 3 && args[1] == QLatin1String("archive")) {
        result = RenderArchive(args[2]);
    } else if (args.size() == 3 && args[1] == QLatin1String("icons")) {
        result = RenderIcons(args[2]);
    } else if (args.size() == 4 && args[1] == QLatin1String("app-icons")) {
        result = RenderApplicationIcons(args[2], args[3]);
    } else if (args.size() == 4 && args[1] == QLatin1String("parts")) {
        result = RenderParts(args[2].toStdString(), args[3]);
    } else {
        return Usage();
    }
    if (result != 0) {
        std::cerr << "skin-render: could not write every picture\n";
    }
    return result;
}
