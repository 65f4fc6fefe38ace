#pragma once

// The product's own name and the defaults that every layer shares.
namespace sonavia {

// The title of the radio window and of the message dialog, the tray icon's tip and the user
// agent of every request.
inline constexpr char kProductTitle[] = "Sonavia Plus";

// The program's name on the desktop: its launcher, icon and metadata, and the media controls'
// desktop entry.
inline constexpr char kApplicationId[] = "org.sonavia.Plus";
// The folder of the installed data, and of each user's start-up directory.
inline constexpr char kDataFolderName[] = "sonavia-plus";
// The folder and file name of the interface archive below the start-up directory.
inline constexpr char kInterfaceFolder[] = "Interface";
inline constexpr char kInterfaceArchiveName[] = "radio.int";

inline constexpr int kMaxVolume = 100;
inline constexpr int kDefaultVolume = 50;
// Degrees added to the hue of the skin; 0 shows the skin's stored colours.
inline constexpr int kMaxHue = 360;
inline constexpr int kDefaultHue = 0;

} // namespace sonavia
