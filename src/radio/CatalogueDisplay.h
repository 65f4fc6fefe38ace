#pragma once

#include "rules/CatalogueText.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace sonavia {

class RadioCore;

// A catalogue text (its own 8-bit bytes) as the screen shows it.
inline QString DisplayText(std::string_view bytes) {
    return QString::fromStdString(CatalogueTextAsUtf8(bytes));
}

// The bytes a list entry stands for, kept beside its shown text.
inline QByteArray BytesOf(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string TextOf(const QByteArray& bytes) {
    return bytes.toStdString();
}

// What the tray and the station list say of a station that could not be reached.
inline QString CannotReachText(std::string_view station) {
    return QStringLiteral("Cannot reach ") + DisplayText(station);
}

// What plays, in a line: the station and the stream's title, that the station cannot be
// reached, or that it is stopped; empty before any station.
QString NowPlayingText(const RadioCore& core);

// The same for the radio window's tuner, which shows nothing while the radio is stopped.
QString TunerLineText(const RadioCore& core);

} // namespace sonavia
