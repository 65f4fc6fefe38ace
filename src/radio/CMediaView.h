#pragma once

#include <QTreeWidget>
#include <string>

namespace sonavia {

class RadioCore;

// The station list of the radio window. A click on a station plays it; after a click, the next
// change of the selection by keyboard plays the newly selected station once. Every entry shows
// the station's description as its info tip, or that it cannot be reached when it failed. Each
// entry stands for the catalogue's own bytes of the station's name.
class CMediaView : public QTreeWidget {
    Q_OBJECT
public:
    // The two pictures of an entry: as listed, and while selected.
    static constexpr int kImageListed = 0;
    static constexpr int kImageSelected = 1;

    CMediaView(RadioCore& core, QWidget* parent = nullptr);

    // Adds a station at the end of the list, showing image 0 normally and image 1 when selected.
    QTreeWidgetItem* AddStation(const std::string& name);
    // The first entry of the station of that name.
    QTreeWidgetItem* FindStation(const std::string& name) const;
    // Selects the entry and shows it, without choosing it (nothing plays).
    void SelectQuietly(QTreeWidgetItem* item);
    bool Armed() const { return armed_; }

    // Hands the entry's station to the radio to play.
    void Choose(const QTreeWidgetItem* item);

    // The station an entry stands for.
    static std::string StationOf(const QTreeWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);

    RadioCore& core_;
    QIcon stationIcon_;
    bool armed_ = false;
    // The selection moves as part of a click; the click itself chooses.
    bool inClick_ = false;
};

} // namespace sonavia
