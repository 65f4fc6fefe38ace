#pragma once

#include <string>

namespace sonavia {

inline constexpr char kVersionFolder[] = "channelsplus";
inline constexpr char kVersionFile[] = "versionplus.txt";

// What the version check needs of the radio window's download button (control 1089).
class DownloadButton {
public:
    virtual ~DownloadButton() = default;
    virtual void SetButtonText(const std::string& text) = 0;
    virtual void ShowButton() = 0;
};

// Asks the maker's site for the published version. When it is higher than `ownVersion`, the
// button offers it and the new-version flag is raised; otherwise, and when the request fails,
// nothing changes.
void CheckRadioVersion(DownloadButton& button, float ownVersion);

} // namespace sonavia
