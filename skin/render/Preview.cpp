#include "Preview.h"

#include "Art.h"
#include "Icons.h"
#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace sonavia::skin {

namespace {

constexpr int kShadowMargin = 14;
constexpr int kShadowRadius = 6;
constexpr QPoint kShadowOffset{0, 4};
const QColor kPreviewInk = Grey(0);

// The entry as the program would see it: decoded, recoloured by `hue` degrees.
std::optional<DecodedBitmap> LoadEntry(const InterfacePackDirectory& archive, const char* name,
                                       int hue) {
    const std::optional<std::string> data =
        ReadArchiveEntry(archive, FindArchiveEntry(archive, name));
    if (!data) {
        return std::nullopt;
    }
    std::optional<DecodedBitmap> bitmap = DecodeBitmap(*data);
    if (bitmap && hue != 0) {
        ShiftHue(*bitmap, hue);
    }
    return bitmap;
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

// The lines of a catalogue text with their line ends removed.
QStringList Lines(const std::string& text) {
    QStringList lines =
        QString::fromLatin1(text.data(), static_cast<int>(text.size())).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = line.trimmed();
    }
    return lines;
}

void Combo(QPainter& painter, const QRect& box, const QString& text) {
    painter.fillRect(box, Grey(255));
    painter.setPen(Grey(122));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(SkinFont(12));
    painter.setPen(kPreviewInk);
    painter.drawText(box.adjusted(6, 0, -22, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    const QPointF c(box.right() - 10, box.center().y() + 1);
    painter.setBrush(Grey(60));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygonF{c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 2.5)});
}

void Tree(QPainter& painter, const QRect& box, const QStringList& stations, const QImage& listed,
          const QImage& selected) {
    painter.fillRect(box, Grey(255));
    painter.setPen(Grey(122));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(SkinFont(12));
    int y = box.top() + 3;
    for (int i = 0; i < stations.size() && y + 18 < box.bottom(); ++i, y += 18) {
        const QImage& image = i == 1 ? selected : listed;
        painter.drawImage(QPoint(box.left() + 6, y + 3), image);
        const QRect text(box.left() + 22, y, box.width() - 28, 17);
        if (i == 1) {
            painter.fillRect(text.adjusted(-2, 0, 0, 0), QColor(48, 140, 198));
        }
        painter.setPen(i == 1 ? Grey(255) : kPreviewInk);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, stations[i]);
    }
}

// Drawn as the radio window's square check and option boxes draw themselves.
void CheckBox(QPainter& painter, const QRect& box, bool checked) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Grey(0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(box.topLeft(), QSize(11, 11)));
    painter.fillRect(QRect(box.topLeft() + QPoint(3, 3), QSize(6, 6)),
                     checked ? Grey(0) : Grey(204));
    painter.setRenderHint(QPainter::Antialiasing, true);
}

void SliderThumb(QPainter& painter, const QRect& slider, double position, const QColor& panel) {
    const double x = slider.left() + 8 + (slider.width() - 16) * position;
    const QRectF thumb(x - 5, slider.top() + 3, 10, slider.height() - 6);
    painter.setPen(QPen(Grey(240), 1));
    painter.setBrush(Grey(240));
    painter.drawRoundedRect(thumb, 2, 2);
    painter.setPen(QPen(Grey(90), 1));
    painter.setBrush(panel);
    painter.drawRect(thumb.adjusted(1, 2, -1, -2));
}

void SearchBox(QPainter& painter, const QRect& box) {
    painter.fillRect(box, Grey(255));
    painter.setPen(Grey(122));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(SkinFont(12));
    painter.setPen(Grey(110));
    painter.drawText(box.adjusted(5, 0, -5, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Type your text here"));
}

// A moment of the level meter as the window draws it: green through yellow to red.
void LevelMeter(QPainter& painter) {
    constexpr std::array<int, kLevelBarCount> kLevels{18, 27, 35, 30, 41, 30, 35, 27, 18};
    constexpr int kRows = 43;
    constexpr int kIdleGrey = 123;
    constexpr int kChannelStep = 12;
    for (int bar = 0; bar < kLevelBarCount; ++bar) {
        int channel = 0;
        bool rising = true;
        const int left = kLevelMeter.left() + bar * kLevelBarPitch;
        for (int row = 0; row < kRows; ++row) {
            QColor colour = Grey(kIdleGrey);
            if (row < kLevels[bar]) {
                colour = rising ? QColor(channel, 254, 0) : QColor(254, channel, 0);
            }
            painter.fillRect(QRect(left, kLevelMeter.top() + kRows - 1 - row, kLevelBarWidth, 2),
                             colour);
            if (rising) {
                channel += kChannelStep;
                if (channel > 254) {
                    channel = 254;
                    rising = false;
                }
            } else if (channel > 0) {
                channel -= kChannelStep;
            }
        }
    }
    painter.fillRect(kActivityBox, Grey(75));
    painter.fillRect(QRect(kActivityBox.left(), 131 - 20, kActivityBox.width(), 30), Grey(232));
}

QImage Blurred(const QImage& alphaOnly, int radius) {
    QImage out = alphaOnly;
    for (int pass = 0; pass < 2; ++pass) {
        const QImage in = out;
        for (int y = 0; y < in.height(); ++y) {
            for (int x = 0; x < in.width(); ++x) {
                int sum = 0;
                int n = 0;
                for (int d = -radius; d <= radius; ++d) {
                    const int sx = pass == 0 ? x + d : x;
                    const int sy = pass == 0 ? y : y + d;
                    if (sx >= 0 && sy >= 0 && sx < in.width() && sy < in.height()) {
                        sum += qAlpha(in.pixel(sx, sy));
                        ++n;
                    }
                }
                out.setPixel(x, y, qRgba(0, 0, 0, sum / n));
            }
        }
    }
    return out;
}

QImage WithShadow(const QImage& window) {
    const QSize size = window.size() + QSize(2 * kShadowMargin, 2 * kShadowMargin);
    QImage shadow(size, QImage::Format_ARGB32);
    shadow.fill(Qt::transparent);
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            if (qAlpha(window.pixel(x, y)) != 0) {
                shadow.setPixel(x + kShadowMargin + kShadowOffset.x(),
                                y + kShadowMargin + kShadowOffset.y(), qRgba(0, 0, 0, 90));
            }
        }
    }
    QImage out = Blurred(shadow, kShadowRadius);
    QPainter painter(&out);
    painter.drawImage(QPoint(kShadowMargin, kShadowMargin), window);
    return out;
}

} // namespace

QImage WindowPreview(const std::filesystem::path& archivePath, int hue) {
    const InterfacePackDirectory archive = ReadArchiveDirectory(archivePath);
    const std::optional<DecodedBitmap> background = LoadEntry(archive, kBackgroundBitmap, hue);
    const std::optional<DecodedBitmap> film = LoadEntry(archive, "film0.bmp", hue);
    // The download button's faces are never recoloured.
    const std::optional<DecodedBitmap> version = LoadEntry(archive, "version.bmp", 0);
    if (!background || !film || !version) {
        return {};
    }
    QImage window = ToPreviewImage(*background, true);
    const Rgb sample = background->Pixel(kPanelSample.x(), kPanelSample.y());
    const QColor panel(sample.red, sample.green, sample.blue);

    QPainter painter(&window);
    PrepareAntialiased(painter);
    painter.drawImage(kFilmPosition, ToPreviewImage(*film, false));
    const auto download = std::find_if(kButtons.begin(), kButtons.end(), [](const ButtonPlace& p) {
        return p.button == Button::Download;
    });
    painter.drawImage(download->position, ToPreviewImage(*version, true));

    const QStringList lines = Lines(ReadArchiveText(archive, "channels.rd"));
    QStringList stations;
    for (int record = 0; 4 + record * 4 < lines.size(); ++record) {
        if (lines[1 + record * 4] == lines.value(1)) {
            stations << lines[4 + record * 4];
        }
    }
    Combo(painter, kCountryList, lines.value(1));
    Tree(painter, kStationTree, stations, TreeBitmap(false), TreeBitmap(true));
    CheckBox(painter, kKeepChannelBox, true);
    CheckBox(painter, kRandomStartBox, false);
    CheckBox(painter, kMuteBox, false);
    SliderThumb(painter, kVolumeSlider, 0.6, panel);
    SliderThumb(painter, kHueSlider, hue / 360.0, panel);
    SearchBox(painter, kSearchBox);
    Combo(painter, kShoppingList, QStringLiteral("--- Shop for the best bargains ---"));
    LevelMeter(painter);
    painter.end();
    return WithShadow(window);
}

QImage PartsSheet(const std::filesystem::path& archivePath) {
    constexpr int kZoom = 2;
    constexpr int kGap = 14;
    constexpr int kLabelWidth = 96;
    const InterfacePackDirectory archive = ReadArchiveDirectory(archivePath);
    std::vector<std::pair<QString, QImage>> parts;
    for (int frame = 0; frame <= kFilmLoopFrames; ++frame) {
        const std::string name = "film" + std::to_string(frame) + ".bmp";
        if (const auto bitmap = LoadEntry(archive, name.c_str(), 0)) {
            parts.emplace_back(QString::fromStdString(name), ToPreviewImage(*bitmap, false));
        }
    }
    for (const char* name : {"version.bmp", kNewVersionBitmap}) {
        if (const auto bitmap = LoadEntry(archive, name, 0)) {
            parts.emplace_back(QString::fromLatin1(name), ToPreviewImage(*bitmap, true));
        }
    }
    const std::vector<QImage> tray = TrayIconFrames();
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
        const QSize shown = image.size() * kZoom;
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
    place(QStringLiteral("window"),
          WindowIcon().scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    place(QStringLiteral("cursor"), NormalCursor());
    place(QStringLiteral("held"), PressedCursor());
    place(QStringLiteral("tree"), TreeBitmap(false));
    place(QStringLiteral("selected"), TreeBitmap(true));
    painter.end();
    return sheet;
}

} // namespace sonavia::skin
