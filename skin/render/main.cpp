// Renders the skin. Four jobs, each into a folder:
//   skin-render archive FOLDER          the interface archive's bitmaps (32-bit, keyed), at 1x
//                                       and at 2x ("name@2x.bmp")
//   skin-render icons FOLDER            the program's icons, cursors and tree pictures (PNG), at
//                                       1x and at 2x ("name@2x.png")
//   skin-render parts ARCHIVE FOLDER    the sheet of the packed skin's small parts (PNG)
//   skin-render app-icons FOLDER NAME   the launcher's icons as a hicolor theme tree:
//                                       FOLDER/<n>x<n>/apps/NAME.png (PNG)

#include "Art.h"
#include "Icons.h"
#include "Preview.h"
#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"
#include "resources/Resources.h"

#include <QDir>
#include <QGuiApplication>
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

// The picture of one face of a button, `scale` times as fine.
template <typename Paint> QImage FaceBitmap(QSize size, int scale, Paint paint) {
    QImage art = TransparentImage(size, scale);
    QPainter painter(&art);
    PrepareAntialiased(painter);
    paint(painter);
    painter.end();
    return ToKeyedPixels(art, kKeyColour);
}

// The lamp's rectangle of the background drawn with the lamp dim, framed by the key so that it
// is keyed at (0, 0) like the other pictures drawn over the window.
QImage DimLamp(int scale) {
    QImage lamp = Background(scale, false)
                      .copy(QRect(kOnAirLamp.topLeft() * scale, kOnAirLamp.size() * scale));
    for (int y = 0; y < lamp.height(); ++y) {
        for (int x = 0; x < lamp.width(); ++x) {
            if (x < scale || y < scale || x >= lamp.width() - scale || y >= lamp.height() - scale) {
                lamp.setPixel(x, y, kKeyColour);
            }
        }
    }
    return lamp;
}

// Every picture is drawn at each of these scales: the 1x ones under their own names, the finer
// ones under ScaledEntryName's, for screens of more pixels per window pixel.
constexpr std::array kScales{1, 2};

bool RenderArchiveAt(const QString& folder, int scale) {
    const auto name = [scale](const std::string& plain) {
        return QString::fromStdString(ScaledEntryName(plain, scale));
    };
    bool ok = WriteBitmap(folder, name(kBackgroundBitmap), Background(scale));
    ok = WriteBitmap(folder, name(kLampDimBitmap), DimLamp(scale)) && ok;
    for (const ButtonPlace& place : kButtons) {
        ok = WriteBitmap(folder, name(place.bitmap),
                         FaceBitmap(place.size, scale,
                                    [&place](QPainter& painter) {
                                        PaintButtonFace(painter, place.button, QPointF(0, 0));
                                    })) &&
             ok;
        if (place.button == Button::Download) {
            ok = WriteBitmap(folder, name(kNewVersionBitmap),
                             FaceBitmap(place.size, scale,
                                        [](QPainter& painter) {
                                            PaintDownloadFace(painter, QPointF(0, 0), true);
                                        })) &&
                 ok;
        }
    }
    for (int frame = 0; frame <= kFilmLoopFrames; ++frame) {
        ok = WriteBitmap(folder, name("film" + std::to_string(frame) + ".bmp"),
                         ToKeyedPixels(FilmFrame(frame, scale), kKeyColour)) &&
             ok;
    }
    return ok;
}

int RenderArchive(const QString& folder) {
    bool ok = true;
    for (const int scale : kScales) {
        ok = RenderArchiveAt(folder, scale) && ok;
    }
    return ok ? 0 : kFailure;
}

QString ResourceFileName(const char* resourcePath) {
    return QString::fromLatin1(resourcePath)
        .mid(static_cast<int>(resources::kResourcePrefix.size()));
}

int RenderIcons(const QString& folder) {
    bool ok = true;
    // Qt's icons take the "@2x" file beside the named one by themselves on a dense screen.
    for (const int scale : kScales) {
        const auto write = [&](const char* resourcePath, const QImage& image) {
            const std::string file = ResourceFileName(resourcePath).toStdString();
            ok =
                WritePng(folder, QString::fromStdString(ScaledEntryName(file, scale)), image) && ok;
        };
        const std::vector<QImage> frames = TrayIconFrames(scale);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            write(resources::kTrayIconFrames[i], frames[i]);
        }
        write(resources::kWindowIcon, WindowIcon(scale));
        write(resources::kCursorNormal, NormalCursor(scale));
        write(resources::kCursorPressed, PressedCursor(scale));
        write(resources::kTreeClosed, TreeBitmap(TreePicture::Listed, scale));
        write(resources::kTreeSelected, TreeBitmap(TreePicture::Selected, scale));
        write(resources::kTreeFailed, TreeBitmap(TreePicture::Failed, scale));
    }
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
