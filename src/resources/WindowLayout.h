#pragma once

// Where the radio window puts its controls, and the sizes the skin gives its buttons. The radio
// window places its controls from this table and the skin renderer draws the art around the same
// rectangles, so every control lands on an area made for it.

#include "resources/ControlIds.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace sonavia::layout {

inline constexpr QSize kWindowSize{760, 290};

// Outside the window's shape. Pure magenta: no drawn pixel is allowed to take it, at any hue
// (see ToKeyedPixels).
inline constexpr QRgb kKeyColour = 0xFFFF00FF;

// The window samples its panel colour here, so the art keeps this pixel flat panel colour.
inline constexpr QPoint kPanelSample{62, 50};
inline constexpr QRgb kPanelColour = 0xFF86CAF0; // RGB(134, 202, 240)

// Controls that paint themselves.
inline constexpr QRect kCountryList{84, 35, 301, 22};
inline constexpr QRect kStationTree{QPoint(84, 61), QPoint(384, 166)}; // (84, 61)-(385, 167)
inline constexpr QRect kKeepChannelBox{83, 179, 11, 11};
inline constexpr QRect kRandomStartBox{224, 179, 11, 11};
inline constexpr QRect kVolumeSlider{124, 197, 160, 33};
inline constexpr QRect kMuteBox{302, 210, 11, 11};
inline constexpr QRect kHueSlider{457, 209, 106, 21};
inline constexpr QRect kSearchBox{183, 251, 185, 22};
inline constexpr QRect kShoppingList{501, 251, 231, 20};

// Drawn by the window at run time: nine 10-pixel bars from x 473, 44 rows high from y 97, and
// the 45 x 45 activity box.
inline constexpr QRect kLevelMeter{473, 97, 98, 45};
inline constexpr QRect kActivityBox{425, 96, 45, 45};
inline constexpr int kLevelBarCount = 9;
inline constexpr int kLevelBarPitch = 11;
inline constexpr int kLevelBarWidth = 10;

// The tuner's glass: under its heading a line that tells what plays, drawn by the window at run
// time in the tuner's light and the skin's font; right of the heading the "ON AIR" lamp, which
// the background shows lit and the dim picture covers while nothing plays.
inline constexpr QRect kTunerLine{408, 42, 138, 12};
inline constexpr QRect kOnAirLamp{488, 25, 62, 16};
inline constexpr char kLampDimBitmap[] = "onairdim.bmp";
// The tuner's light at hue 0: the panel's hue, pale and bright.
inline constexpr QRgb kTunerLight = 0xFF87D5FF; // RGB(135, 213, 255)
inline constexpr char kSkinFontFamily[] = "DejaVu Sans";
inline constexpr int kTunerLinePixelSize = 10;

// Film frames, copied plainly at this point, all of this size.
inline constexpr QPoint kFilmPosition{571, 29};
inline constexpr QSize kFilmSize{42, 42};
inline constexpr int kFilmLoopFrames = 4;

// Skin buttons: placed by their top-left corner, sized by their bitmap.
enum class Button {
    Shopping,
    Website,
    Help,
    WatchTv,
    Upgrade,
    Download,
    RandomChannel,
    Hide,
    Exit,
    Go,
    BrowserToggle,
    ContactUs,
};

struct ButtonPlace {
    Button button;
    int id;
    const char* bitmap;
    QPoint position;
    QSize size;
    bool shown; // hidden buttons get no face in the background
};

inline constexpr std::array<ButtonPlace, 12> kButtons{{
    {Button::Shopping, ids::kShoppingLink, "shopping.bmp", {637, 83}, {104, 22}, true},
    {Button::Website, ids::kWebsiteLink, "website.bmp", {637, 132}, {104, 22}, true},
    {Button::Help, ids::kHelpLink, "help.bmp", {637, 108}, {104, 22}, true},
    {Button::WatchTv, ids::kWatchTvLink, "watchtv.bmp", {637, 157}, {104, 22}, true},
    {Button::Upgrade, ids::kUpgradeLink, "upgrade.bmp", {434, 148}, {132, 20}, true},
    {Button::Download, ids::kDownloadButton, "version.bmp", {626, 25}, {26, 26}, true},
    {Button::RandomChannel, ids::kRandomChannelButton, "random.bmp", {564, 22}, {56, 64}, true},
    {Button::Hide, ids::kHideButton, "close.bmp", {656, 21}, {34, 34}, true},
    {Button::Exit, ids::kExitButton, "exit.bmp", {695, 21}, {34, 34}, true},
    {Button::Go, ids::kGoButton, "go.bmp", {377, 244}, {36, 36}, true},
    {Button::BrowserToggle, ids::kBrowserToggle, "updown.bmp", {32, 247}, {40, 30}, true},
    {Button::ContactUs, ids::kContactUsButton, "contactus.bmp", {0, 0}, {104, 22}, false},
}};

// The download button's highlighted face, flashed over its normal one.
inline constexpr char kNewVersionBitmap[] = "newversion.bmp";

inline constexpr char kBackgroundBitmap[] = "stationbackground.bmp";

} // namespace sonavia::layout
