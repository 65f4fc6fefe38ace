#pragma once

#include "radio/CSonavia.h"

#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <array>
#include <map>
#include <memory>
#include <string>

class QComboBox;

namespace sonavia {

class BrowserPane;
class StatusArea;
class CCheckButton;
class CCoolSlider;
class CMediaView;
class CRadioButton;
class CSearchEdit;
class CSkinButton;
class RadioCore;
class RadioServices;
class TunerDisplay;
class WindowAnimation;
class WindowShape;
struct ShoppingData;
struct SkinPalette;
struct StartupContext;

// The radio window: a skinned window shaped by its background picture, run modally by the base
// window. "Hide" closes it and leaves the radio playing in the tray; "Exit" ends the program.
class CStation : public CSonavia {
    Q_OBJECT
public:
    static constexpr int kWindowTimerId = 10004;
    static constexpr int kWindowTimerIntervalMs = 50;
    static constexpr int kSearchMaxLength = 50;
    static constexpr int kVolumeTickInterval = 5;
    static constexpr int kHueTickInterval = 1;

    explicit CStation(RadioServices& services);
    ~CStation() override;

    // The radio window's initialisation: skin, controls, settings, lists and timer.
    void Create();

    // Brings back a window that "Hide" minimised where no tray is there.
    void RestoreFromTaskBar();
    // "Exit": the settings are saved and the program ends.
    void Exit();

    // What the window shows, for tests and benchmarks.
    const QImage& Background() const { return background_; }
    const QRegion& Shape() const { return shape_; }
    CMediaView* Tree() const { return tree_; }
    QComboBox* CountryList() const { return countryList_; }
    CSkinButton* Button(int id) const;

    // The hue slider released at `hue`: the skin is rebuilt in the new colours and iface.dat
    // rewritten. A release at the current hue changes nothing.
    void ApplyHue(int hue);

    // One tick of the 50 ms window timer; public for the benchmark that times it.
    void TimerTick();
    // The timer runs while a tick can change the window, and rests while nothing in it moves;
    // whatever may set something moving wakes it.
    void WakeTimer();

    // The playback operations of the window.
    void WindowRandomPlay();
    void SelectCountry(int index);
    void ShowCurrentStation();
    // Whether the cursor is over "Random Channel", where the film runs.
    bool FilmHover() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A newer published version: button 1089 offers it.
    void OfferVersion(float published);

    void CreateControls();
    // The scale of the skin pictures for the window's screen: 2 on dense screens, else 1.
    int SkinScale() const;
    void SkinWindow();
    void LoadSkinButtons();
    void ApplyLayout();
    void ReadSettings();
    void SaveSettings() const;
    int FillCountries();
    // Steps of the window's start that need the catalogue: the lists, a random start, the
    // current station.
    void FillLists();
    void ShowMute(bool muted);
    void DescribeStatus();
    void OnHide();
    void OnVolumeMoved(int position);
    void OnMuteToggled();
    void OnSkinButtonHovered(CSkinButton* button);

    // Links, search, shopping and the browser pane (StationLinks.cpp).
    void CreateLinks();
    void LoadShoppingList();
    void FillShoppingList(const ShoppingData& data);
    void ReopenPane();
    void OpenInPane(const std::string& address);
    void OnSearch();
    void OnShoppingChosen(int index);
    void RefreshLinkTooltip(CSkinButton* button);

    const StartupContext& context_;
    SkinPalette& palette_;
    RadioCore& core_;
    // The skin button whose tooltip was shown last: it is hidden before another one shows.
    QPointer<CSkinButton> tooltipOwner_;

    QImage background_;
    QRegion shape_;
    QCursor normalCursor_;
    QCursor pressedCursor_;

    QComboBox* countryList_ = nullptr;
    QComboBox* shoppingList_ = nullptr;
    CSearchEdit* searchEdit_ = nullptr;
    CCoolSlider* volumeSlider_ = nullptr;
    CCoolSlider* hueSlider_ = nullptr;
    CCheckButton* muteBox_ = nullptr;
    CRadioButton* randomStartButton_ = nullptr;
    CRadioButton* keepChannelButton_ = nullptr;
    CCheckButton* nonStopBox_ = nullptr;
    QComboBox* startHourList_ = nullptr;
    QComboBox* hoursList_ = nullptr;
    CMediaView* tree_ = nullptr;
    std::map<int, CSkinButton*> buttons_;
    // What the level meter and the activity box show, for screen readers.
    StatusArea* meterStatus_ = nullptr;
    StatusArea* activityStatus_ = nullptr;

    std::unique_ptr<WindowShape> windowShape_;
    std::unique_ptr<WindowAnimation> animation_;
    std::unique_ptr<TunerDisplay> tuner_;
    std::unique_ptr<BrowserPane> pane_;
    // Where the shopping topics' pages lie; empty until the catalogue server names it.
    std::string shoppingRoot_;
    QTimer timer_;
    // Dragging by hand where the window manager does not move the window itself.
    bool draggingByHand_ = false;
    QPoint dragOffset_;
};

} // namespace sonavia
