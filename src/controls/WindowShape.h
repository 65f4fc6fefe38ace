#pragma once

#include <QObject>
#include <QRegion>

class QWidget;

namespace sonavia {

// The shape of a skinned top-level window at the screen's own pixels.
//
// Qt's window mask is in window pixels: on a screen of more device pixels per window pixel the
// edge is as coarse as the window pixels, and at a fractional ratio the scaled rows of the mask
// may not meet. So where the window is an X11 window and its ratio is not 1, the shape in device
// pixels is set on the native window itself (X Shape extension) after Qt's mask, and again each
// time the window is shown, as Qt sets its own mask when it makes the native window. At ratio 1,
// and on other platforms, Qt's mask is the shape.
//
// On Wayland the mask only decides where the window takes clicks: what lies outside the shape
// would show the skin's key colour. There the window is translucent, and paints only inside its
// shape, so that the desktop shows through.
class WindowShape : public QObject {
    Q_OBJECT
public:
    explicit WindowShape(QWidget& window);

    // `windowPixels` becomes Qt's mask: it decides where the window is painted and clicked, so it
    // must hold every pixel of `devicePixels`, the shape at the screen's pixels. An empty
    // `windowPixels` clears the mask.
    void Set(const QRegion& windowPixels, const QRegion& devicePixels);

    // Whether the device-pixel shape is the native window's.
    bool NativeShapeSet() const { return nativeSet_; }
    // Whether the outside of the shape is see-through by the window's transparency: the window
    // is translucent and paints only inside the shape.
    bool SeeThrough() const { return seeThrough_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyNative();

    QWidget& window_;
    QRegion devicePixels_;
    bool wanted_ = false;
    bool nativeSet_ = false;
    const bool seeThrough_;
};

} // namespace sonavia
