#include "radio/CStation.h"

#include "controls/Accessibility.h"
#include "controls/ArchiveImages.h"
#include "controls/CCheckButton.h"
#include "controls/CCoolSlider.h"
#include "controls/CRadioButton.h"
#include "controls/CSearchEdit.h"
#include "controls/CSkinButton.h"
#include "controls/DisplayServer.h"
#include "controls/Painting.h"
#include "controls/SkinCursor.h"
#include "controls/SkinShape.h"
#include "controls/WholeTextList.h"
#include "controls/WindowShape.h"
#include "localfiles/LocalFiles.h"
#include "radio/BrowserPane.h"
#include "radio/CMediaView.h"
#include "radio/CatalogueDisplay.h"
#include "radio/RadioCore.h"
#include "radio/RadioServices.h"
#include "radio/TunerDisplay.h"
#include "radio/WindowAnimation.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "resources/WindowLayout.h"
#include "rules/CatalogueText.h"
#include "rules/PlayTime.h"
#include "rules/Product.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>
#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

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

// What screen readers call the controls that show no caption of their own.
constexpr char kCountryListName[] = "Country";
constexpr char kShoppingListName[] = "Shopping";
constexpr char kSearchBoxName[] = "Search the web";
constexpr char kVolumeName[] = "Volume";
constexpr char kHueName[] = "Skin colour";
constexpr char kStationListName[] = "Stations";
constexpr char kMeterName[] = "Level meter";
constexpr char kActivityName[] = "Data activity";
constexpr char kMeterPlaying[] = "Playing";
constexpr char kMeterSilent[] = "Silent";
constexpr char kActivityReceiving[] = "Receiving";
constexpr char kActivityIdle[] = "No data";

template <typename List = QComboBox> List* MakeList(QWidget* parent, int id) {
    auto* list = new List(parent);
    ids::SetControlId(list, id);
    list->setCursor(Qt::ArrowCursor);
    return list;
}

} // namespace

CStation::CStation(RadioServices& services)
    : CSonavia(services), context_(services.Context()), palette_(services.Palette()),
      core_(services.Core()),
      normalCursor_(SkinCursor(resources::kCursorNormal, resources::kCursorNormalHotX,
                               resources::kCursorNormalHotY, devicePixelRatioF())),
      pressedCursor_(SkinCursor(resources::kCursorPressed, resources::kCursorPressedHotX,
                                resources::kCursorPressedHotY, devicePixelRatioF())),
      windowShape_(std::make_unique<WindowShape>(*this)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
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
    InstallControlAccessibility();
    if (const auto hue = LoadInterfaceHue(context_.startupDirectory)) {
        core_.SetInterfaceHue(*hue);
    }
    animation_ = std::make_unique<WindowAnimation>(core_);
    SkinWindow();
    setWindowTitle(QString::fromLatin1(kProductTitle));
    CreateControls();
    CreateLinks();
    setCursor(normalCursor_);

    for (const std::string& text : StartHourTexts()) {
        startHourList_->addItem(QString::fromStdString(text));
    }
    for (const std::string& text : PlayHoursTexts()) {
        hoursList_->addItem(QString::fromStdString(text));
    }
    ReadSettings();
    {
        // Set from the radio's state, not by the user: nothing is reported back.
        const QSignalBlocker quiet(volumeSlider_);
        volumeSlider_->setValue(core_.SliderVolume());
    }
    hueSlider_->setValue(core_.InterfaceHue());
    LoadSkinButtons();
    ApplyLayout();
    animation_->LoadFrames(context_.interfacePack, core_.InterfaceHue(), SkinScale());
    tuner_ = std::make_unique<TunerDisplay>(core_, *this);
    tuner_->LoadSkin(context_.interfacePack, core_.InterfaceHue(), SkinScale());
    tuner_->Show();
    connect(&core_, &RadioCore::StateChanged, this, [this] {
        tuner_->Show();
        WakeTimer();
    });
    core_.CheckVersion(this, context_.versionNumber, [this](float published) {
        OfferVersion(published);
        WakeTimer();
    });

    tree_ = new CMediaView(core_, this);
    tree_->setGeometry(layout::kStationTree);
    tree_->setAccessibleName(QString::fromLatin1(kStationListName));
    connect(&core_, &RadioCore::CatalogueChanged, this, &CStation::FillLists);
    connect(&core_, &RadioCore::StationShown, this, &CStation::ShowCurrentStation);
    connect(&core_, &RadioCore::MuteChanged, this, &CStation::ShowMute);
    for (const auto moved : {&RadioCore::VolumeChanged, &RadioCore::FadeStepped}) {
        connect(&core_, moved, this, [this](int volume) {
            const QSignalBlocker quiet(volumeSlider_);
            volumeSlider_->setValue(volume);
        });
    }
    if (core_.CatalogueReady()) {
        FillLists();
    }
    LoadShoppingList();

    timer_.start();
    update();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
    ReopenPane();
}

int CStation::SkinScale() const {
    return SkinScaleFor(devicePixelRatioF());
}

void CStation::SkinWindow() {
    const double ratio = devicePixelRatioF();
    const QImage picture =
        LoadArchiveBitmapShifted(context_.interfacePack, layout::kBackgroundBitmap,
                                 core_.InterfaceHue(), SkinScaleFor(ratio));
    // Kept as the screen shows it, one pixel per device pixel, so that the window's edge is as
    // fine as the art and the shape meets the painting at every device pixel.
    background_ = AtDevicePixelRatio(picture, ratio);
    // The region is built once per skin, from runs of pixels that differ from the key colour
    // at (0, 0); painting never rebuilds it.
    shape_ = WindowPixelShape(background_);
    if (!picture.isNull()) {
        palette_.panel = picture.pixelColor(layout::kPanelSample * picture.devicePixelRatio());
        palette_.theme = palette_.panel;
    }
    setFixedSize(picture.isNull() ? layout::kWindowSize : picture.deviceIndependentSize().toSize());
    windowShape_->Set(shape_, ratio == 1.0 ? shape_ : ShapeFromKeyColour(background_));
    if (windowShape_->SeeThrough()) {
        background_ = WithKeyColourClear(background_);
    }
    update();
}

void CStation::CreateControls() {
    countryList_ = MakeList(this, ids::kCountryList);
    countryList_->setGeometry(layout::kCountryList);
    countryList_->setAccessibleName(QString::fromLatin1(kCountryListName));
    connect(countryList_, &QComboBox::activated, this, &CStation::SelectCountry);

    // Its headings and topics are longer than the box is wide: it shows them whole.
    shoppingList_ = MakeList<WholeTextList>(this, ids::kShoppingList);
    shoppingList_->setGeometry(layout::kShoppingList);
    shoppingList_->setAccessibleName(QString::fromLatin1(kShoppingListName));

    searchEdit_ = new CSearchEdit(this);
    ids::SetControlId(searchEdit_, ids::kSearchEdit);
    searchEdit_->setMaxLength(kSearchMaxLength);
    searchEdit_->setText(QString::fromLatin1(kSearchHint));
    searchEdit_->setGeometry(layout::kSearchBox);
    searchEdit_->setAccessibleName(QString::fromLatin1(kSearchBoxName));
    searchEdit_->setAccessibleDescription(QString::fromLatin1(kSearchHint));

    volumeSlider_ = new CCoolSlider(Qt::Horizontal, this, palette_);
    ids::SetControlId(volumeSlider_, ids::kVolumeSlider);
    volumeSlider_->setRange(0, kMaxVolume);
    volumeSlider_->setTickInterval(kVolumeTickInterval);
    volumeSlider_->SetDrawMode(CCoolSlider::kDrawModeBackground);
    volumeSlider_->setAccessibleName(QString::fromLatin1(kVolumeName));
    connect(volumeSlider_, &QSlider::valueChanged, this, &CStation::OnVolumeMoved);

    hueSlider_ = new CCoolSlider(Qt::Horizontal, this, palette_);
    ids::SetControlId(hueSlider_, ids::kHueSlider);
    hueSlider_->setRange(0, kMaxHue);
    hueSlider_->setTickInterval(kHueTickInterval);
    hueSlider_->SetDrawMode(CCoolSlider::kDrawModeBackground);
    hueSlider_->setAccessibleName(QString::fromLatin1(kHueName));
    connect(hueSlider_, &CCoolSlider::Released, this, &CStation::ApplyHue);

    muteBox_ = new CCheckButton(QString::fromLatin1(kMuteCaption), this);
    ids::SetControlId(muteBox_, ids::kMuteBox);
    muteBox_->setText({});
    muteBox_->setAccessibleName(QString::fromLatin1(kMuteCaption));
    ShowMute(core_.Muted());
    connect(muteBox_, &CCheckButton::Toggled, this, &CStation::OnMuteToggled);

    // The two start-up choices show no caption: the skin writes it beside them.
    randomStartButton_ = new CRadioButton({}, this);
    randomStartButton_->setAccessibleName(QString::fromLatin1(kRandomStartCaption));
    ids::SetControlId(randomStartButton_, ids::kRandomEveryStart);
    keepChannelButton_ = new CRadioButton({}, this);
    keepChannelButton_->setAccessibleName(QString::fromLatin1(kKeepChannelCaption));
    ids::SetControlId(keepChannelButton_, ids::kKeepSelectedChannel);

    meterStatus_ = new StatusArea(QString::fromLatin1(kMeterName), this);
    meterStatus_->setGeometry(WindowAnimation::MeterArea());
    activityStatus_ = new StatusArea(QString::fromLatin1(kActivityName), this);
    activityStatus_->setGeometry(WindowAnimation::ActivityArea());

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
        auto* button = new CSkinButton(this, palette_);
        ids::SetControlId(button, place.id);
        button->installEventFilter(this);
        buttons_[place.id] = button;
        if (!place.shown) {
            button->hide();
        }
    }
    connect(Button(ids::kHideButton), &QPushButton::clicked, this, &CStation::OnHide);
    connect(Button(ids::kExitButton), &QPushButton::clicked, this, &CStation::Exit);
    connect(Button(ids::kRandomChannelButton), &QPushButton::clicked, this,
            &CStation::WindowRandomPlay);
    connect(Button(ids::kRandomChannelButton), &CSkinButton::TooltipTimedOut, this,
            [this] { animation_->SetFilmHover(false); });
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
                ? LoadArchiveBitmap(context_.interfacePack, place.bitmap, SkinScale())
                : LoadArchiveBitmapShifted(context_.interfacePack, place.bitmap,
                                           core_.InterfaceHue(), SkinScale()));
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
    bool written = true;
    const Settings settings = LoadSettings(context_.startupDirectory, &written);
    core_.NoteSettingsSaved(written);
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
    core_.WindowOpened(settings.volume);
}

void CStation::SaveSettings() const {
    Settings settings;
    settings.keepSelectedChannel = keepChannelButton_->Checked();
    settings.nonStop = nonStopBox_->Checked();
    settings.startHourIndex = startHourList_->currentIndex();
    settings.hoursIndex = hoursList_->currentIndex();
    // The volume the user set, never a step of the fade-in under way.
    settings.volume = core_.TargetVolume();
    core_.NoteSettingsSaved(sonavia::SaveSettings(context_.startupDirectory, settings));
}

void CStation::OfferVersion(float published) {
    CSkinButton* button = Button(ids::kDownloadButton);
    button->setText(QString::fromStdString(VersionOfferText(published)));
    button->show();
}

void CStation::ApplyHue(int hue) {
    if (hue == core_.InterfaceHue()) {
        return;
    }
    core_.SetInterfaceHue(hue);
    SkinWindow();
    LoadSkinButtons();
    ApplyLayout();
    animation_->LoadFrames(context_.interfacePack, hue, SkinScale());
    tuner_->LoadSkin(context_.interfacePack, hue, SkinScale());
    pane_->SkinChanged();
    update();
    core_.NoteSettingsSaved(SaveInterfaceHue(context_.startupDirectory, hue));
}

void CStation::FillLists() {
    FillCountries();
    SelectCountry(0);
    if (!core_.RandomPickDone() && randomStartButton_->Checked()) {
        WindowRandomPlay();
    }
    core_.SetRandomPickDone();
    ShowCurrentStation();
}

int CStation::FillCountries() {
    countryList_->clear();
    const RadioCatalogue& catalogue = core_.Catalogue();
    // Each country once, in the order of its first record, when any of its stations is offered:
    // two passes with hash sets, as a catalogue may hold thousands of countries.
    std::unordered_set<std::string_view> offered;
    for (const StationRecord& record : catalogue.records) {
        if (record.present) {
            offered.insert(record.country);
        }
    }
    // Sorted as the user reads: by the locale's collation, whatever the letter case. The C
    // locale has no collation of its own, only code points ("Zambia" before "Österreich"):
    // there the language-neutral order stands in.
    const QLocale locale = QLocale::system().language() == QLocale::C
                               ? QLocale(QLocale::English, QLocale::UnitedStates)
                               : QLocale::system();
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Entry {
        std::string_view bytes;
        QString shown;
        QCollatorSortKey key;
    };
    std::vector<Entry> countries;
    std::unordered_set<std::string_view> listed;
    for (const StationRecord& record : catalogue.records) {
        if (offered.contains(record.country) && listed.insert(record.country).second) {
            QString shown = DisplayText(record.country);
            QCollatorSortKey key = collator.sortKey(shown);
            countries.push_back({record.country, std::move(shown), std::move(key)});
        }
    }
    std::stable_sort(countries.begin(), countries.end(),
                     [](const Entry& a, const Entry& b) { return a.key.compare(b.key) < 0; });
    for (const Entry& country : countries) {
        countryList_->addItem(country.shown, BytesOf(country.bytes));
    }
    countryList_->setCurrentIndex(countries.empty() ? -1 : 0);
    return static_cast<int>(countries.size());
}

void CStation::SelectCountry(int index) {
    tree_->clear();
    if (index < 0 || index >= countryList_->count()) {
        return;
    }
    const std::string country = TextOf(countryList_->itemData(index).toByteArray());
    for (const StationRecord& record : core_.Catalogue().records) {
        if (record.present && record.country == country) {
            tree_->AddStation(record.name);
        }
    }
    // The list opens at its top; the current station scrolls into view when it is shown.
    tree_->scrollToTop();
}

void CStation::ShowCurrentStation() {
    const auto position = core_.CurrentPosition();
    if (!position) {
        return;
    }
    const QByteArray country = BytesOf(core_.Catalogue().records[*position].country);
    const int countryIndex = countryList_->findData(country);
    if (countryIndex != countryList_->currentIndex() || tree_->topLevelItemCount() == 0) {
        countryList_->setCurrentIndex(countryIndex);
        SelectCountry(countryIndex);
    }
    if (QTreeWidgetItem* item = tree_->FindStation(core_.CurrentStationName())) {
        tree_->SelectQuietly(item);
    }
}

void CStation::WindowRandomPlay() {
    animation_->RestartActivity(*this);
    core_.WindowRandomPlay();
}

bool CStation::FilmHover() const {
    return animation_->FilmHover();
}

void CStation::OnVolumeMoved(int position) {
    core_.SetVolume(position);
}

void CStation::OnMuteToggled() {
    core_.ToggleMute();
}

void CStation::ShowMute(bool muted) {
    if (muteBox_->Checked() != muted) {
        muteBox_->Toggle();
    }
}

void CStation::OnHide() {
    pane_->HideForClose();
    SaveSettings();
    core_.WindowClosed(randomStartButton_->Checked());
    if (tooltipOwner_ != nullptr) {
        tooltipOwner_->HideTooltip();
    }
    // Only the tray can open a closed window again: without one the window goes to the task
    // bar instead, and the program stays within the user's reach.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        done(QDialog::Rejected);
    } else {
        showMinimized();
    }
}

void CStation::Exit() {
    SaveSettings();
    done(QDialog::Accepted);
    ExitProgram();
}

void CStation::RestoreFromTaskBar() {
    if (isMinimized()) {
        showNormal();
    }
    // A Wayland client can neither take its window back from the task bar nor raise it itself,
    // and is not told that it went there: a window not in use is shown anew, at the front.
    if (OnWayland() && !isActiveWindow() && windowHandle() != nullptr) {
        windowHandle()->hide();
        windowHandle()->show();
    }
}

void CStation::TimerTick() {
    animation_->TickMeterAndActivity(*this, muteBox_->Checked());
    DescribeStatus();
    animation_->TickFlashAndFilm(*this);
    tuner_->Tick();
    // Connecting or playing, the meter and the activity box follow the stream.
    const PlayState state = core_.State();
    const bool moving = state == PlayState::Connecting || state == PlayState::Playing ||
                        animation_->Moving() || tuner_->Moving();
    // In the task bar nothing of it shows: it catches up when it is shown again.
    if (!moving || isMinimized()) {
        timer_.stop();
    }
}

void CStation::WakeTimer() {
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void CStation::DescribeStatus() {
    meterStatus_->SetStatus(
        QString::fromLatin1(animation_->MeterIdle() ? kMeterSilent : kMeterPlaying));
    activityStatus_->SetStatus(QString::fromLatin1(
        core_.State() == PlayState::Playing ? kActivityReceiving : kActivityIdle));
}

void CStation::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), background_);
    animation_->Paint(painter);
    tuner_->Paint(painter);
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
    // A pane of its own stays below the window at the top edge; one inside the window moves
    // with it.
    if (core_.BrowserPaneOpen() && !pane_->InWindow()) {
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
    animation_->SetFilmHover(animation_->FilmHover() && childAt(event->position().toPoint()) ==
                                                            Button(ids::kRandomChannelButton));
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
    if (tooltipOwner_ != nullptr && tooltipOwner_ != button) {
        tooltipOwner_->HideTooltip();
    }
    RefreshLinkTooltip(button);
    button->ShowTooltip();
    tooltipOwner_ = button;
    animation_->SetFilmHover(button == Button(ids::kRandomChannelButton));
    WakeTimer();
}

void CStation::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        WakeTimer();
    }
    QDialog::changeEvent(event);
}

void CStation::closeEvent(QCloseEvent* event) {
    // The window manager's close is "Hide" while a tray can bring the window back, and "Exit"
    // where none can, so that the program can always be ended without a terminal.
    event->ignore();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        OnHide();
    } else {
        Exit();
    }
}

} // namespace sonavia
