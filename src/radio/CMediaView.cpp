#include "radio/CMediaView.h"

#include "radio/CatalogueDisplay.h"
#include "radio/RadioCore.h"
#include "resources/Resources.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace sonavia {

namespace {

// The bytes of the station's name, beside the text shown.
constexpr int kStationRole = Qt::UserRole;

// Draws every entry black on white, as no desktop style would: the selected one too, which only
// its own picture (image 1) marks, and no focus frame or hover. A station that could not be
// reached shows its own picture, selected or not, until it plays again.
class StationDelegate : public QStyledItemDelegate {
public:
    StationDelegate(const RadioCore& core, QIcon selectedIcon, QIcon failedIcon, QObject* parent)
        : QStyledItemDelegate(parent), core_(core), selectedIcon_(std::move(selectedIcon)),
          failedIcon_(std::move(failedIcon)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant station = index.data(kStationRole);
        if (station.isValid() && core_.Unreachable(TextOf(station.toByteArray()))) {
            option->icon = failedIcon_;
        } else if ((option->state & QStyle::State_Selected) != 0) {
            option->icon = selectedIcon_;
        }
        option->state &=
            ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
        option->palette.setColor(QPalette::Text, Qt::black);
        option->backgroundBrush = QBrush(Qt::white);
    }

private:
    const RadioCore& core_;
    QIcon selectedIcon_;
    QIcon failedIcon_;
};

} // namespace

CMediaView::CMediaView(RadioCore& core, QWidget* parent) : QTreeWidget(parent), core_(core) {
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
    // Whatever the style marks with the selection's colour (the branch column left of the
    // picture, a hovered row) stays white.
    colours.setColor(QPalette::Highlight, Qt::white);
    colours.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(colours);
    // Added by file, each picture brings its twice-as-large twin for dense screens.
    const QString selected = QString::fromLatin1(resources::kTreeSelected);
    stationIcon_.addFile(QString::fromLatin1(resources::kTreeClosed), {}, QIcon::Normal);
    stationIcon_.addFile(selected, {}, QIcon::Selected);
    setItemDelegate(new StationDelegate(core_, QIcon(selected),
                                        QIcon(QString::fromLatin1(resources::kTreeFailed)), this));
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
    // A station that fails, or plays again, changes its picture.
    connect(&core_, &RadioCore::StateChanged, viewport(), qOverload<>(&QWidget::update));
}

QTreeWidgetItem* CMediaView::AddStation(const std::string& name) {
    auto* item = new QTreeWidgetItem(this, QStringList{DisplayText(name)});
    item->setData(0, kStationRole, BytesOf(name));
    item->setIcon(0, stationIcon_);
    return item;
}

QTreeWidgetItem* CMediaView::FindStation(const std::string& name) const {
    const QByteArray bytes = BytesOf(name);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->data(0, kStationRole).toByteArray() == bytes) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

std::string CMediaView::StationOf(const QTreeWidgetItem* item) {
    const QVariant bytes = item->data(0, kStationRole);
    return bytes.isValid() ? TextOf(bytes.toByteArray()) : item->text(0).toStdString();
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
    core_.ChooseStation(StationOf(item));
}

bool CMediaView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = itemAt(help->pos());
        const std::string station = item != nullptr ? StationOf(item) : std::string();
        QString tip;
        if (item != nullptr && core_.State() == PlayState::Failed &&
            station == core_.CurrentStationName()) {
            tip = CannotReachText(station);
        } else if (item != nullptr) {
            tip = DisplayText(core_.InfoTipFor(station));
            // The station that plays also shows what it plays.
            if (station == core_.CurrentStationName() && core_.Playing() &&
                !core_.StreamTitle().isEmpty()) {
                tip += QLatin1Char('\n') + core_.StreamTitle();
            }
        }
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport());
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}

} // namespace sonavia
