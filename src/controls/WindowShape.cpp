#include "controls/WindowShape.h"

#include "controls/DisplayServer.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace sonavia {

namespace {

xcb_connection_t* X11Connection() {
    if (!OnX11()) {
        return nullptr;
    }
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

} // namespace

WindowShape::WindowShape(QWidget& window)
    : QObject(&window), window_(window), seeThrough_(OnWayland()) {
    window_.setAttribute(Qt::WA_TranslucentBackground, seeThrough_);
    window_.installEventFilter(this);
}

void WindowShape::Set(const QRegion& windowPixels, const QRegion& devicePixels) {
    if (windowPixels.isEmpty()) {
        window_.clearMask();
    } else {
        window_.setMask(windowPixels);
    }
    devicePixels_ = devicePixels;
    wanted_ = !windowPixels.isEmpty() && window_.devicePixelRatioF() != 1.0;
    nativeSet_ = false;
    if (window_.testAttribute(Qt::WA_WState_Created)) {
        ApplyNative();
    }
}

bool WindowShape::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Show) {
        ApplyNative();
    }
    return QObject::eventFilter(watched, event);
}

void WindowShape::ApplyNative() {
    xcb_connection_t* connection = X11Connection();
    if (!wanted_ || connection == nullptr || window_.windowHandle() == nullptr) {
        return;
    }
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(static_cast<std::size_t>(devicePixels_.rectCount()));
    for (const QRect& rect : devicePixels_) {
        rects.push_back({static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                         static_cast<std::uint16_t>(rect.width()),
                         static_cast<std::uint16_t>(rect.height())});
    }
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                         XCB_CLIP_ORDERING_UNSORTED, static_cast<xcb_window_t>(window_.winId()), 0,
                         0, static_cast<std::uint32_t>(rects.size()), rects.data());
    xcb_flush(connection);
    nativeSet_ = true;
}

} // namespace sonavia
