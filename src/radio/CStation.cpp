#include "radio/CStation.h"

#include "catalogue/CatalogueValues.h"
#include "components/PlayerEngine.h"
#include "controls/ArchiveImages.h"
#include "controls/CCheckButton.h"
#include "controls/CCoolSlider.h"
#include "controls/CRadioButton.h"
#include "controls/CSearchEdit.h"
#include "controls/CSkinButton.h"
#include "controls/ControlState.h"
#include "controls/Painting.h"
#include "controls/SkinShape.h"
#include "localfiles/LocalFiles.h"
#include "radio/BrowserPane.h"
#include "radio/CMediaView.h"
#include "radio/RadioPlayback.h"
#include "radio/RadioState.h"
#include "radio/WindowAnimation.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "resources/WindowLayout.h"
#include "rules/FadeIn.h"
#include "rules/PlayTime.h"
#include "rules/Product.h"
#include "rules/RandomRules.h"
#include "shell/AppValues.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

namespace sonavia {

namespace {

// The skin buttons that keep their stored colours at every hue.
bool KeepsStoredColours(int id) {
    return id == ids::kWebsiteLink || id == ids::kHelpLink || id == ids::kExitButton;
}

// The buttons whose pushed look a mouse move over the window clears.
constexpr std::array<int, 7> kReleasedOnMove{
    ids::kShoppingLink, ids::kContactUsButton, ids::kWebsiteLink,        ids::kHelpLink,
    ids::kHideButton,   ids::kDownloadButton,  ids::kRandomChannelButton};

constexpr char kRandomStartCaption[] = "Random Selection every start";
constexpr char kKeepChannelCaption[] = "Keep selected Channel";
constexpr char kMuteCaption[] = "Mute";
constexpr char kNonStopCaption[] = "Non-stop";

QComboBox* MakeList(QWidget* parent, int id) {
    auto* list = new QComboBox(parent);
    ids::SetControlId(list, id);
    list->setCursor(Qt::ArrowCursor);
    return list;
}

} // namespace

CStation::CStation(CSonavia& base)
    : base_(base), playback_(base.Playback()), player_(base.Playback().Player()),
      normalCursor_(QPixmap(QString::fromLatin1(resources::kCursorNormal)),
                    resources::kCursorNormalHotX, resources::kCursorNormalHotY),
      pressedCursor_(QPixmap(QString::fromLatin1(resources::kCursorPressed)),
                     resources::kCursorPressedHotX, resources::kCursorPressedHotY) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setMouseTracking(true);
    timer_.setObjectName(QString::number(kWindowTimerId));
    timer_.setInterval(kWindowTimerIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CStation::TimerTick);
}

CStation::~CStation() {
    timer_.stop();
}

CSkinButton* CStation::Button(int id) const {
    const auto found = buttons_.find(id);
    return found != buttons_.end() ? found->second : nullptr;
}

void CStation::Create() {
    if (const auto hue = LoadInterfaceHue(app::startupDirectory)) {
        radio::interfaceHue = *hue;
    }
    SkinWindow();
    setWindowTitle(QString::fromLatin1(kProductTitle));
    CreateControls();
    CreateLinks();
    setCursor(normalCursor_);

    volumeSlider_->setValue(radio::fade.level != 0 ? radio::currentVolume : 0);
    hueSlider_->setValue(radio::interfaceHue);

    for (const std::string& text : StartHourTexts()) {
        startHourList_->addItem(QString::fromStdString(text));
    }
    for (const std::string& text : PlayHoursTexts()) {
        hoursList_->addItem(QString::fromStdString(text));
    }
    ReadSettings();
    LoadSkinButtons();
    ApplyLayout();
    animation_ = std::make_unique<WindowAnimation>(player_);
    animation_->LoadFrames(app::interfacePack, radio::interfaceHue);
    CheckRadioVersion(*this, app::versionNumber);

    tree_ = new CMediaView(player_, this);
    tree_->setGeometry(layout::kStationTree);
    FillCountries();
    SelectCountry(0);

    if (!radio::randomPickDone && randomStartButton_->Checked()) {
        WindowRandomPlay();
    }
    radio::randomPickDone = true;
    ShowCurrentStation();
    LoadShoppingList();

    timer_.start();
    update();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
    ReopenPane();
}

void CStation::SkinWindow() {
    background_ = LoadBackgroundBitmapShifted(app::interfacePack, layout::kBackgroundBitmap,
                                              radio::interfaceHue);
    // The region is built once per skin, from runs of pixels that differ from the key colour
    // at (0, 0); painting never rebuilds it.
    shape_ = ShapeFromKeyColour(background_);
    if (!background_.isNull()) {
        panelColour = background_.pixelColor(layout::kPanelSample);
        themeColour = panelColour;
    }
    setFixedSize(background_.isNull() ? layout::kWindowSize : background_.size());
    if (shape_.isEmpty()) {
        clearMask();
    } else {
        setMask(shape_);
    }
    update();
}

void CStation::CreateControls() {
    countryList_ = MakeList(this, ids::kCountryList);
    countryList_->setGeometry(layout::kCountryList);
    connect(countryList_, &QComboBox::activated, this, &CStation::SelectCountry);

    shoppingList_ = MakeList(this, ids::kShoppingList);
    shoppingList_->setGeometry(layout::kShoppingList);

    searchEdit_ = new CSearchEdit(this);
    ids::SetControlId(searchEdit_, ids::kSearchEdit);
    searchEdit_->setMaxLength(kSearchMaxLength);
    searchEdit_->setText(QString::fromLatin1(kSearchHint));
    searchEdit_->setGeometry(layout::kSearchBox);

    volumeSlider_ = new CCoolSlider(Qt::Horizontal, this);
    ids::SetControlId(volumeSlider_, ids::kVolumeSlider);
    volumeSlider_->setRange(0, kMaxVolume);
    volumeSlider_->setTickInterval(kVolumeTickInterval);
    volumeSlider_->SetDrawMode(CCoolSlider::kDrawModeBackground);
    connect(volumeSlider_, &QSlider::valueChanged, this, &CStation::OnVolumeMoved);

    hueSlider_ = new CCoolSlider(Qt::Horizontal, this);
    ids::SetControlId(hueSlider_, ids::kHueSlider);
    hueSlider_->setRange(0, kMaxHue);
    hueSlider_->setTickInterval(kHueTickInterval);
    hueSlider_->SetDrawMode(CCoolSlider::kDrawModeBackground);
    connect(hueSlider_, &CCoolSlider::Released, this, &CStation::ApplyHue);

    muteBox_ = new CCheckButton(QString::fromLatin1(kMuteCaption), this);
    ids::SetControlId(muteBox_, ids::kMuteBox);
    muteBox_->setText({});
    if (radio::muted) {
        muteBox_->Toggle();
    }
    connect(muteBox_, &CCheckButton::Toggled, this, &CStation::OnMuteToggled);

    // The two start-up choices show no caption: the skin writes it beside them.
    randomStartButton_ = new CRadioButton({}, this);
    randomStartButton_->setAccessibleName(QString::fromLatin1(kRandomStartCaption));
    ids::SetControlId(randomStartButton_, ids::kRandomEveryStart);
    keepChannelButton_ = new CRadioButton({}, this);
    keepChannelButton_->setAccessibleName(QString::fromLatin1(kKeepChannelCaption));
    ids::SetControlId(keepChannelButton_, ids::kKeepSelectedChannel);

    // Kept in the settings only; never shown.
    nonStopBox_ = new CCheckButton(QString::fromLatin1(kNonStopCaption), this);
    ids::SetControlId(nonStopBox_, ids::kNonStopBox);
    nonStopBox_->hide();
    startHourList_ = MakeList(this, ids::kStartHourList);
    startHourList_->hide();
    hoursList_ = MakeList(this, ids::kHoursList);
    hoursList_->hide();
    for (QComboBox* list : {startHourList_, hoursList_}) {
        connect(list, &QComboBox::activated, this, [this] {
            if (nonStopBox_->Checked()) {
                nonStopBox_->Toggle();
            }
        });
    }

    for (const layout::ButtonPlace& place : layout::kButtons) {
        auto* button = new CSkinButton(this);
        ids::SetControlId(button, place.id);
        button->installEventFilter(this);
        buttons_[place.id] = button;
        if (!place.shown) {
            button->hide();
        }
    }
    connect(Button(ids::kHideButton), &QPushButton::clicked, this, &CStation::OnHide);
    connect(Button(ids::kExitButton), &QPushButton::clicked, this, &CStation::OnExit);
    connect(Button(ids::kRandomChannelButton), &QPushButton::clicked, this,
            &CStation::WindowRandomPlay);
    connect(Button(ids::kRandomChannelButton), &CSkinButton::TooltipTimedOut, this,
            [] { radio::filmHover = false; });
    Button(ids::kHideButton)->SetTooltipText(QStringLiteral("Hide Sonavia Plus"));
    Button(ids::kExitButton)->SetTooltipText(QStringLiteral("Exit Sonavia Plus"));
    Button(ids::kRandomChannelButton)->SetTooltipText(QStringLiteral("Play a random channel now"));
    Button(ids::kDownloadButton)->setText(QStringLiteral("Download latest version"));
    Button(ids::kDownloadButton)
        ->SetTooltipText(QStringLiteral("Download latest version when button flashes"));
}

void CStation::LoadSkinButtons() {
    for (const layout::ButtonPlace& place : layout::kButtons) {
        CSkinButton* button = Button(place.id);
        button->SetSkinBitmap(
            KeepsStoredColours(place.id)
                ? LoadArchiveBitmap(app::interfacePack, place.bitmap)
                : LoadArchiveBitmapShifted(app::interfacePack, place.bitmap, radio::interfaceHue));
    }
}

void CStation::ApplyLayout() {
    for (const layout::ButtonPlace& place : layout::kButtons) {
        Button(place.id)->MoveTo(place.position.x(), place.position.y());
    }
    searchEdit_->setGeometry(layout::kSearchBox);
    countryList_->setGeometry(layout::kCountryList);
    shoppingList_->setGeometry(layout::kShoppingList);
    volumeSlider_->setGeometry(layout::kVolumeSlider);
    hueSlider_->setGeometry(layout::kHueSlider);
    keepChannelButton_->setGeometry(layout::kKeepChannelBox);
    randomStartButton_->setGeometry(layout::kRandomStartBox);
    muteBox_->setGeometry(layout::kMuteBox);
    // The sliders paint the skin behind their channels from a copy taken here.
    volumeSlider_->CaptureBackground(background_, layout::kVolumeSlider);
    hueSlider_->CaptureBackground(background_, layout::kHueSlider);
}

void CStation::ReadSettings() {
    const Settings settings = LoadSettings(app::startupDirectory);
    if (settings.keepSelectedChannel) {
        keepChannelButton_->Check();
    } else {
        randomStartButton_->Check();
    }
    if (settings.nonStop != nonStopBox_->Checked()) {
        nonStopBox_->Toggle();
    }
    startHourList_->setCurrentIndex(settings.startHourIndex);
    hoursList_->setCurrentIndex(settings.hoursIndex);
    StartFade(radio::fade, settings.volume);
}

void CStation::SaveSettings() const {
    Settings settings;
    settings.keepSelectedChannel = keepChannelButton_->Checked();
    settings.nonStop = nonStopBox_->Checked();
    settings.startHourIndex = startHourList_->currentIndex();
    settings.hoursIndex = hoursList_->currentIndex();
    settings.volume = volumeSlider_->value();
    sonavia::SaveSettings(app::startupDirectory, settings);
}

void CStation::SetButtonText(const std::string& text) {
    Button(ids::kDownloadButton)->setText(QString::fromStdString(text));
}

void CStation::ShowButton() {
    Button(ids::kDownloadButton)->show();
}

void CStation::ApplyHue(int hue) {
    if (hue == radio::interfaceHue) {
        return;
    }
    radio::interfaceHue = hue;
    SkinWindow();
    LoadSkinButtons();
    ApplyLayout();
    animation_->LoadFrames(app::interfacePack, radio::interfaceHue);
    pane_->RepaintFrame();
    update();
    SaveInterfaceHue(app::startupDirectory, hue);
}

int CStation::FillCountries() {
    countryList_->clear();
    const RadioCatalogue& catalogue = catalogue::radioCatalogue;
    QStringList countries;
    for (std::size_t i = 0; i < catalogue.records.size(); ++i) {
        const std::string& country = catalogue.records[i].country;
        bool seen = false;
        bool offered = false;
        for (std::size_t j = 0; j < catalogue.records.size() && !seen; ++j) {
            seen = j < i && catalogue.records[j].country == country;
            offered = offered ||
                      (catalogue.records[j].present && catalogue.records[j].country == country);
        }
        if (!seen && offered) {
            countries.append(QString::fromStdString(country));
        }
    }
    countries.sort();
    countryList_->addItems(countries);
    countryList_->setCurrentIndex(countries.isEmpty() ? -1 : 0);
    return static_cast<int>(countries.size());
}

void CStation::SelectCountry(int index) {
    if (index < 0 || index >= countryList_->count()) {
        tree_->clear();
        return;
    }
    const std::string country = countryList_->itemText(index).toStdString();
    tree_->clear();
    for (const StationRecord& record : catalogue::radioCatalogue.records) {
        if (record.present && record.country == country) {
            tree_->AddStation(QString::fromStdString(record.name));
        }
    }
}

void CStation::ShowCurrentStation() {
    const auto position = FindStation(catalogue::radioCatalogue, radio::currentStationName);
    if (!position) {
        return;
    }
    const QString country =
        QString::fromStdString(catalogue::radioCatalogue.records[*position].country);
    const int countryIndex = countryList_->findText(country);
    countryList_->setCurrentIndex(countryIndex);
    SelectCountry(countryIndex);
    const QString name = QString::fromStdString(radio::currentStationName);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        if (tree_->topLevelItem(i)->text(0) == name) {
            tree_->SelectQuietly(tree_->topLevelItem(i));
            break;
        }
    }
}

void CStation::WindowRandomPlay() {
    radio::streamPlaying = false;
    animation_->RestartActivity(*this);
    const std::optional<std::size_t> choice =
        PickWindowStation(catalogue::radioCatalogue, ReadLocalClock());
    if (!choice) {
        return;
    }
    const StationRecord& record = catalogue::radioCatalogue.records[*choice];
    const std::string address = RadioPlayback::FetchAddress(record.index);
    radio::currentStationName = record.name;
    SaveChannelChoice(app::startupDirectory, catalogue::packageBase, radio::currentStationName);
    if (!address.empty() && player_.OpenAddress(address)) {
        radio::playing = true;
    }
    ShowCurrentStation();
}

void CStation::OnVolumeMoved(int position) {
    if (player_.SetVolume(position)) {
        radio::currentVolume = position;
    }
    // The mark and the sound agree: moving the volume ends the mute.
    if (muteBox_->Checked()) {
        muteBox_->Toggle();
        if (radio::muted && player_.SetMute(false)) {
            radio::muted = false;
        }
    }
}

void CStation::OnMuteToggled() {
    if (!radio::muted) {
        if (player_.SetMute(true)) {
            radio::muted = true;
        }
    } else if (player_.SetMute(false)) {
        radio::muted = false;
    }
}

void CStation::OnHide() {
    pane_->HideForClose();
    SaveSettings();
    if (randomStartButton_->Checked()) {
        radio::currentStationName = kRandomStationName;
        SaveChannelChoice(app::startupDirectory, catalogue::packageBase, radio::currentStationName);
    }
    if (controls::tooltipOwner != nullptr) {
        controls::tooltipOwner->HideTooltip();
    }
    // Only the tray can open a closed window again: without one the window goes to the task
    // bar instead, and the program stays within the user's reach.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        done(QDialog::Rejected);
    } else {
        showMinimized();
    }
}

void CStation::OnExit() {
    SaveSettings();
    done(QDialog::Accepted);
    base_.ExitProgram();
}

void CStation::RestoreFromTaskBar() {
    if (isMinimized()) {
        showNormal();
    }
}

void CStation::TimerTick() {
    animation_->TickMeterAndActivity(*this, muteBox_->Checked());
    const FadeTick fade = StepFade(radio::fade, radio::bufferingFinished);
    if (fade.slider) {
        const QSignalBlocker quiet(volumeSlider_);
        volumeSlider_->setValue(*fade.slider);
    }
    if (fade.volume && player_.SetVolume(*fade.volume)) {
        radio::currentVolume = *fade.volume;
    }
    animation_->TickFlashAndFilm(*this);
}

void CStation::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), background_);
    animation_->Paint(painter);
}

void CStation::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    if (searchEdit_->text().isEmpty()) {
        searchEdit_->setText(QString::fromLatin1(kSearchHint));
    }
    setCursor(pressedCursor_);
    if (radio::browserPaneOpen) {
        return;
    }
    // The window manager moves the window; where it will not, the window follows the mouse.
    draggingByHand_ = windowHandle() == nullptr || !windowHandle()->startSystemMove();
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CStation::mouseReleaseEvent(QMouseEvent* event) {
    setCursor(normalCursor_);
    draggingByHand_ = false;
    QDialog::mouseReleaseEvent(event);
}

void CStation::mouseMoveEvent(QMouseEvent* event) {
    if (draggingByHand_ && (event->buttons() & Qt::LeftButton) != 0) {
        move(event->globalPosition().toPoint() - dragOffset_);
    }
    for (const int id : kReleasedOnMove) {
        Button(id)->setDown(false);
    }
    // A skin button passes the moves over it on to the window: over "Random Channel" the film
    // goes on running.
    radio::filmHover = radio::filmHover &&
                       childAt(event->position().toPoint()) == Button(ids::kRandomChannelButton);
    searchEdit_->setFocus();
    QDialog::mouseMoveEvent(event);
}

bool CStation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (auto* button = qobject_cast<CSkinButton*>(watched)) {
            OnSkinButtonHovered(button);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CStation::OnSkinButtonHovered(CSkinButton* button) {
    if (controls::tooltipOwner != nullptr && controls::tooltipOwner != button) {
        controls::tooltipOwner->HideTooltip();
    }
    RefreshLinkTooltip(button);
    button->ShowTooltip();
    radio::filmHover = button == Button(ids::kRandomChannelButton);
}

void CStation::closeEvent(QCloseEvent* event) {
    // The window manager's close is "Hide" while a tray can bring the window back, and "Exit"
    // where none can, so that the program can always be ended without a terminal.
    event->ignore();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        OnHide();
    } else {
        OnExit();
    }
}

} // namespace sonavia
