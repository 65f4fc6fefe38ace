#include "radio/CMediaView.h"

#include "catalogue/CatalogueValues.h"
#include "catalogue/Fetch.h"
#include "catalogue/Package.h"
#include "components/PlayerEngine.h"
#include "localfiles/LocalFiles.h"
#include "radio/RadioState.h"
#include "resources/Resources.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QToolTip>

namespace sonavia {

CMediaView::CMediaView(PlayerEngine& player, QWidget* parent)
    : QTreeWidget(parent), player_(player) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setIconSize(QSize(resources::kTreeBitmapWidth, resources::kTreeBitmapHeight));
    setFrameShape(QFrame::Box);
    // Black text on white, whatever the desktop's colours.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    stationIcon_.addPixmap(QPixmap(QString::fromLatin1(resources::kTreeClosed)), QIcon::Normal);
    stationIcon_.addPixmap(QPixmap(QString::fromLatin1(resources::kTreeSelected)), QIcon::Selected);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
}

QTreeWidgetItem* CMediaView::AddStation(const QString& name) {
    auto* item = new QTreeWidgetItem(this, QStringList{name});
    item->setIcon(0, stationIcon_);
    scrollToItem(item);
    return item;
}

void CMediaView::SelectQuietly(QTreeWidgetItem* item) {
    const QSignalBlocker quiet(this);
    setCurrentItem(item);
    scrollToItem(item);
    viewport()->update();
}

void CMediaView::mousePressEvent(QMouseEvent* event) {
    inClick_ = true;
    QTreeWidget::mousePressEvent(event);
    inClick_ = false;
    if (event->button() != Qt::LeftButton) {
        return;
    }
    armed_ = true;
    const QTreeWidgetItem* clicked = itemAt(event->position().toPoint());
    if (clicked != nullptr && clicked->childCount() == 0) {
        Choose(clicked);
    }
}

void CMediaView::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (inClick_ || !armed_) {
        return;
    }
    armed_ = false;
    if (current != nullptr && current->childCount() == 0) {
        Choose(current);
    }
}

void CMediaView::Choose(const QTreeWidgetItem* item) {
    radio::currentStationName = item->text(0).toStdString();
    if (radio::currentStationName.empty()) {
        return;
    }
    const StationAddress address = StationAddressFor(radio::currentStationName);
    if (address.Failed()) {
        ShowMessage(QString::fromLatin1(kChannelInformationFailedText));
    }
    SaveChannelChoice(app::startupDirectory, catalogue::packageBase, radio::currentStationName);
    if (!address.address.empty() && player_.OpenAddress(address.address)) {
        SaveLastStation(app::startupDirectory, radio::currentStationName);
        radio::playing = true;
    }
}

bool CMediaView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = itemAt(help->pos());
        const std::string tip = item != nullptr ? InfoTipFor(item->text(0).toStdString()) : "";
        if (tip.empty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdString(tip), viewport());
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

} // namespace sonavia
