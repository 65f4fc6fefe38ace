#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

namespace sonavia {

// What the radio asks of a player. The radio window's logic talks to this interface only, so
// that it can be driven by the GStreamer engine in the program and by a fake engine in tests.
//
// No operation waits on the network or the pipeline: an open is accepted at once when its
// address is well formed and of an allowed scheme, and what happens later (buffering, failure,
// a dropped stream, a new title) is reported by the signals below, on the interface thread.
// Nothing here writes the radio's state; the radio side reacts to the signals.
class PlayerEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PlayerEngine() override = default;

    // A stream address, a playlist's address (its entries are tried in order) or a local file.
    virtual bool OpenAddress(const std::string& address) = 0;
    // Ends playback and every attempt to reconnect.
    virtual bool Stop() = 0;
    // 0 to 100; anything else fails and changes nothing.
    virtual bool SetVolume(int volume) = 0;
    virtual bool SetMute(bool mute) = 0;
    // Buffers received from the network (or read from a file) since the last open.
    virtual std::uint64_t ReceivedPackets() const = 0;

signals:
    // Buffering started (true) or ended (false).
    void Buffering(bool started);
    // The address accepted last could not be played at all, or dropped so often that it is given
    // up; nothing more is tried until the next open.
    void OpenFailed();
    // A stream that was playing ended, failed or stopped delivering data.
    void Dropped();
    // The stream's own title for what plays now, from its tags.
    void TitleChanged(const QString& title);
};

} // namespace sonavia
