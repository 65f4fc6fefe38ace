#include "controls/SkinCursor.h"

#include "controls/ArchiveImages.h"
#include "localfiles/InterfaceArchive.h"

#include <QGuiApplication>
#include <QPixmap>
#include <cmath>

namespace sonavia {

namespace {

constexpr char kX11Platform[] = "xcb";

} // namespace

QCursor SkinCursor(const char* resourcePath, int hotX, int hotY, double devicePixelRatio) {
    const int scale = SkinScaleFor(devicePixelRatio);
    QPixmap picture(QString::fromStdString(ScaledEntryName(resourcePath, scale)));
    picture.setDevicePixelRatio(scale);
    if (picture.isNull()) {
        picture = QPixmap(QString::fromLatin1(resourcePath));
    }
    if (!picture.isNull() && picture.devicePixelRatio() != devicePixelRatio) {
        const QSizeF devicePixels = picture.deviceIndependentSize() * devicePixelRatio;
        picture = picture.scaled(static_cast<int>(std::lround(devicePixels.width())),
                                 static_cast<int>(std::lround(devicePixels.height())),
                                 Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(devicePixelRatio);
    }
    // A cursor's hot spot is in window pixels, but Qt's X11 plugin hands it to the X server
    // unscaled beside the picture's own pixels: there it is given in the picture's pixels.
    const double hotScale = QGuiApplication::platformName() == QLatin1String(kX11Platform)
                                ? picture.devicePixelRatio()
                                : 1.0;
    return QCursor(picture, static_cast<int>(std::lround(hotX * hotScale)),
                   static_cast<int>(std::lround(hotY * hotScale)));
}

} // namespace sonavia
