// The floor under the program's memory and CPU: the least a radio on the same libraries costs.
// It sets libcurl up, shows one plain window of the radio window's size that draws the level
// meter 20 times a second (or never, with --still), and plays one address with playbin, the
// player's registry choices and the default audio output. No controls, text, tray or desktop
// services. bench_peers measures it beside the program and the peer.
//
//     floor_player ADDRESS [--still]

#include "network/HttpLibrary.h"
#include "player/LeanRegistry.h"
#include "resources/WindowLayout.h"
#include "rules/LevelMeter.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <gst/gst.h>
#include <iostream>
#include <memory>
#include <random>

namespace {

using namespace sonavia;

constexpr std::chrono::milliseconds kMeterTick{50};
constexpr int kPlayFlagAudio = 1 << 1;
constexpr char kStillOption[] = "--still";

class MeterWindow : public QWidget {
public:
    explicit MeterWindow(bool moving) : background_(layout::kWindowSize, QImage::Format_RGB32) {
        background_.fill(Qt::darkCyan);
        setFixedSize(layout::kWindowSize);
        if (moving) {
            connect(&timer_, &QTimer::timeout, this, [this] {
                std::uniform_int_distribution<int> level(0, kMeterRows - 1);
                for (int& bar : levels_) {
                    bar = level(random_);
                }
                update(kMeterLeft, kMeterTop, kMeterBarPitch * kMeterBars, kMeterHeight);
            });
            timer_.start(kMeterTick);
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        painter.drawImage(QPoint(0, 0), background_);
        for (int bar = 0; bar < kMeterBars; ++bar) {
            const MeterBarColours colours = BarColours(levels_[static_cast<std::size_t>(bar)]);
            for (int row = 0; row < kMeterRows; ++row) {
                const PaintRect rect = MeterRowRect(bar, row);
                const PaintRgb& colour = colours[static_cast<std::size_t>(row)];
                painter.fillRect(rect.left, rect.top, rect.width, rect.height,
                                 QColor(colour.red, colour.green, colour.blue));
            }
        }
    }

private:
    QImage background_;
    QTimer timer_;
    MeterLevels levels_{};
    std::mt19937 random_;
};

struct PlaybinDeleter {
    void operator()(GstElement* playbin) const {
        gst_element_set_state(playbin, GST_STATE_NULL);
        gst_object_unref(playbin);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: floor_player ADDRESS [" << kStillOption << "]\n";
        return 2;
    }
    const HttpLibrary network;
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    KeepRegistryLean();
    std::unique_ptr<GstElement, PlaybinDeleter> playbin(
        GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("playbin", nullptr))));
    g_object_set(playbin.get(), "uri", argv[1], "flags", kPlayFlagAudio, nullptr);
    gst_element_set_state(playbin.get(), GST_STATE_PLAYING);
    MeterWindow window(argc < 3 || std::strcmp(argv[2], kStillOption) != 0);
    window.show();
    return QApplication::exec();
}
