#pragma once

#include <QTreeWidget>
#include <string>

namespace sonavia {

class PlayerEngine;

// The station list of the radio window. A click on a station plays it; after a click, the next
// change of the selection by keyboard plays the newly selected station once. Every entry shows
// the station's description as its info tip.
class CMediaView : public QTreeWidget {
    Q_OBJECT
public:
    // The two pictures of an entry: as listed, and while selected.
    static constexpr int kImageListed = 0;
    static constexpr int kImageSelected = 1;

    CMediaView(PlayerEngine& player, QWidget* parent = nullptr);

    // Adds a station at the end of the list, showing image 0 normally and image 1 when selected.
    QTreeWidgetItem* AddStation(const QString& name);
    // Selects the entry and shows it, without choosing it (nothing plays).
    void SelectQuietly(QTreeWidgetItem* item);
    bool Armed() const { return armed_; }

    // Plays the station of the entry: the current station name, channel.dat, then the player;
    // when the player accepts, tv.dat and the playing flag.
    void Choose(const QTreeWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);

    PlayerEngine& player_;
    QIcon stationIcon_;
    bool armed_ = false;
    // The selection moves as part of a click; the click itself chooses.
    bool inClick_ = false;
};

} // namespace sonavia
