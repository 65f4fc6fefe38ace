#pragma once

#include <QString>

class QWidget;

// Identifiers of the dialog templates and their controls. Every control carries its identifier
// as a property, so windows and tests find controls by the numbers the layout uses.
namespace sonavia::ids {

// Message dialog.
inline constexpr int kMessageTemplate = 183;
inline constexpr int kMessageText = 1114;
inline constexpr int kOk = 1;

// Radio window.
inline constexpr int kRadioTemplate = 149;
inline constexpr int kCountryList = 1043;
inline constexpr int kShoppingList = 1044;
inline constexpr int kSearchEdit = 1167;
inline constexpr int kVolumeSlider = 1090;
inline constexpr int kHueSlider = 1242;
inline constexpr int kMuteBox = 1081;
inline constexpr int kRandomEveryStart = 1086;
inline constexpr int kKeepSelectedChannel = 1087;
inline constexpr int kNonStopBox = 1085;
inline constexpr int kStartHourList = 1082;
inline constexpr int kHoursList = 1083;
inline constexpr int kRandomChannelButton = 1091;
inline constexpr int kHideButton = 1040;
inline constexpr int kExitButton = 1127;
inline constexpr int kShoppingLink = 1056;
inline constexpr int kWebsiteLink = 1003;
inline constexpr int kHelpLink = 1010;
inline constexpr int kDownloadButton = 1089;
inline constexpr int kUpgradeLink = 1133;
inline constexpr int kWatchTvLink = 1134;
inline constexpr int kBrowserToggle = 1246;
inline constexpr int kGoButton = 1247;
inline constexpr int kContactUsButton = 1088;
inline constexpr int kBrowserHolder = 1096;
inline constexpr int kBrowserControl = 1095;

inline constexpr char kControlIdProperty[] = "controlId";

void SetControlId(QWidget* widget, int id);
int ControlIdOf(const QWidget* widget);
// The first descendant of `parent` that carries `id`; none when there is no such control.
QWidget* FindControl(const QWidget* parent, int id);

} // namespace sonavia::ids
