// The handset, the player's main window: LED display, track strip, volume control, transport buttons,
// disc data panel and main menu. It draws what the player core decides and passes the user's commands to
// it; start-up and shut-down of the program run in its create, show and close handlers.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/base/Settings.h"
#include "player/HandsetView.h"
#include "player/PlayerCore.h"
#include "player/base/PlayerState.h"

class QFrame;
class QProgressBar;
class QToolButton;
class TCdAudio;
class TDiscCatalogue;
class TDiscDataPanel;
class TFourWayVolume;
class THandsetMenu;
class TImageControl;
class TLedDisplay;
class TTrackStrip;
class TWaveAudio;
class TfrmRecord;
class TfrmSmall;
class TDiscLookup;
struct TLookupMatch;
struct TLookupResult;
struct TLookupDetails;

// The designed sizes until the first layout.
struct THandsetSizes {
    int HeightWithData = 262;
    int HeightPlain = 144;
    int WidthExtended = 391;
    int WidthPlain = 241;
};

class TORB : public QMainWindow, public THandsetView {
    Q_OBJECT
public:
    // The create handler runs here: settings are loaded, the catalogue opened once and the display built.
    TORB(TPlayerSettings& Settings, TPlayerState& State, THandsetFlags& Flags, TCdAudio& Cd, TWaveAudio& Wave,
         TDiscCatalogue& Catalogue, bool AutoPlaySwitch, QWidget* Parent = nullptr);
    ~TORB() override;

    TPlayerCore& Core() { return *FCore; }
    // A drive named on the command line, used in place of the settings' drive without being stored.
    void SetDriveOverride(int Drive) { FDriveOverride = Drive; }
    const THandsetSizes& Sizes() const { return FSizes; }
    bool CloseHandled() const { return FClosed; }
    const QImage& BackgroundImage() const { return FBackgroundImage; }
    // The small handset while it stands in for the handset (kept after it closes until the next switch).
    TfrmSmall* SmallHandset() const { return FSmall.get(); }

    // THandsetView.
    void SetButtons(const TButtonGroups& Groups) override;
    bool PlayButtonEnabled() const override;
    void ClearTrackStrip() override;
    void DrawTrackNumbers(int TrackCount, int Current) override;
    void DrawTrackNumber(int Track, bool Selected) override;
    void ShowDiscPicture() override;
    void ClearDisplay() override;
    void SetVolumeBars(int Left, int Right) override;
    void SetDiscLabels(const std::string& Name, const std::string& Track, const std::string& Composer,
                       const std::string& Artist) override;
    void SetTrackLabel(const std::string& Track) override;
    void SetModeLine(const std::string& Text) override;
    void SetTrackLine(const std::string& Text) override;
    void SetTimes(const std::string& Caption, TMinSec Elapsed, TMinSec Remaining) override;
    void SetApplicationTitle(const std::string& Title) override;
    void SetRepeatShown(bool On) override;
    void SetTimerEnabled(bool Enabled) override;
    void SetTimerInterval(int Milliseconds) override;
    int WindowTop() const override;
    int WindowLeft() const override;
    void SwitchToSmallHandset() override;
    bool ChooseMode(TPlayMode Current, TPlayMode& Chosen) override;
    int ChooseTrack(const std::vector<std::string>& Lines) override;

    // Display and controls.
    void SetDisplay();
    // The display panel at the designed size; a larger font makes it larger.
    static constexpr QRect DesignedDisplay{6, 8, 223, 49};
    void SetBitmapButtons();
    void LayoutDiscPanel();
    TLedDisplay& Led() { return *FLed; }
    TTrackStrip& Strip() { return *FStrip; }
    TFourWayVolume& FourWay() { return *FFourWay; }
    THandsetMenu& Menu() { return *FMenu; }
    QTimer Timer;
    QTimer tmrSkip;

public slots:
    void FormShow();
    void Cust1Click();
    void Fitt1Click();
    void DisplayClick();
    void btnPauseClick();
    void btnEjectClick();
    void btnCloseClick();
    void btnStartClick();
    void btnSkipBackClick();
    void BtnSkipForwardClick();
    void btnSkipBackMouseDown();
    void btnSkipBackMouseUp();
    void BtnSkipForwardMouseDown();
    void BtnSkipForwardMouseUp();
    void tmrSkipTimer();
    void imgTracksClick(int Track);
    void Exportdatabase1Click();
    void Importdatabase1Click();
    void Exit1Click();
    void Autoplaymode1Click();
    void Showhints1Click();
    void miDiscDataClick();
    void miExtClick();
    void miVolClick();
    void Helpcontents1Click();
    void AboutOrbelune1Click();
    void ConfigureOrbelune1Click();
    void btnDataClick();
    void btnSampleClick();
    void btnPlaySampClick();
    // The drive chooser: the chosen drive is opened and kept in the settings.
    void SelectCDRomdrive1Click();
    void Rebuilddatabase1Click();
    // The catalogue browser; the disc panel shows the current disc again afterwards.
    void btnBrowseClick();
    // The list editor of a reference list: C, A, L or T.
    void mTypeClick(char ListType);
    // Hides the handset behind the small handset, which stays until the user asks for full control or
    // ends the program from it.
    void Small2Click();
    // A second copy asks to be shown: the small handset while it is up, else the handset.
    void RaiseHandset();
    // Takes the drive or disc image at Path (the drive in use when empty) for this run without storing
    // it, as "--drive" does, and reads its disc; the desktop's players ask for this before playing.
    // Shows nothing: returns why the drive could not be taken (the one in use before stays), else empty.
    std::string TakeDrive(const std::string& Path);

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void BuildControls();
    void BuildButtons();
    void BuildMenu();
    void FormCreate();
    void FormClose();
    void FormPaint(QWidget* Client);
    void PlayStarted();
    void SmallHandsetClosed();
    // Sets the client area; the window takes the menu bar's height on top.
    void SetClientSize(int Width, int Height);
    // Moves the controls beside and below the display by what the display has grown.
    void PlaceAroundDisplay();
    void ApplyWindowSize();
    void VolumeChanged();
    // The handset's and the volume panel's colours from the settings.
    void ApplyColours();
    void ExtractDiscPicture();
    // The lookup of a new disc when the settings ask for it: started when the clock finds a disc the
    // catalogue does not hold; what it finds is shown, and kept for the editor unless stored at once.
    // A new disc's CD-TEXT is shown at once, marked as not stored, and so is what the lookup finds.
    void WatchNewDisc();
    void NewDiscLookedUp(const TLookupResult& Result);
    void NewDiscDetailed(const TLookupDetails& Details);
    // The disc panel's name, composer and artist as the catalogue shows them, with the mark of texts
    // not stored; the track row is left to the caller.
    void ShowDiscTexts();
    void ShowUnstoredMark();
    QToolButton* MakeButton(const char* Name, const QString& Caption, const QString& Hint, QRect Place,
                            QWidget* Parent);

    TPlayerSettings& FSettings;
    TPlayerState& FState;
    THandsetFlags& FFlags;
    TCdAudio& FCd;
    TWaveAudio& FWave;
    TDiscCatalogue& FCatalogue;
    std::unique_ptr<TPlayerCore> FCore;
    // The recording window, created once; freed before the core whose hook it sets.
    std::unique_ptr<TfrmRecord> FRecord;
    std::unique_ptr<TfrmSmall> FSmall;
    TDiscLookup* FAutoLookup = nullptr;
    std::string FWatchedCode;                 // the disc the last lookup was for
    std::shared_ptr<TLookupMatch> FAutoMatch; // shown, not stored
    std::shared_ptr<TLookupMatch> FAutoStore; // to be stored at once when its composers and cover came

    THandsetSizes FSizes;
    struct TDesignedPlace {
        QWidget* Widget;
        QPoint Place;
        bool Beside; // right of the display, else below it
    };
    std::vector<TDesignedPlace> FDesignedPlaces;
    QImage FBackgroundImage;
    bool FClosed = false;
    // The drive is opened at the first show only: showing the window again (raised from a second copy,
    // hidden and shown) must not close and reopen a drive that may be playing.
    bool FShownOnce = false;
    bool SkipBackHeld = false;
    bool SkipForwardHeld = false;
    bool FWaveCanRecord = false;
    int FClockInterval = ClockInterval;
    bool FPlayJustStarted = false;
    // How long after a whole second of play the tick comes: more than the sound output needs to start.
    static constexpr int PlayStartAllowance = 150;
    // How long after an intro's last frame the tick comes that starts the next one.
    static constexpr int IntroEndAllowance = 20;
    int FDriveOverride = -1;

    QWidget* FClient = nullptr;
    QFrame* panDisplay = nullptr;
    TImageControl* Display = nullptr;
    TImageControl* imgMode = nullptr;
    TImageControl* imgTrack = nullptr;
    TImageControl* imgTime = nullptr;
    QFrame* ImgPanel = nullptr;
    TImageControl* imgTracks = nullptr;
    QFrame* panVolume = nullptr;
    QProgressBar* gLeft = nullptr;
    QProgressBar* gRight = nullptr;
    TImageControl* iFourWay = nullptr;
    QFrame* B4 = nullptr;
    TDiscDataPanel* DData = nullptr;
    QToolButton* btnPlay = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* btnPause = nullptr;
    QToolButton* btnEject = nullptr;
    QToolButton* btnClose = nullptr;
    QToolButton* btnStart = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;
    QToolButton* btnSkipBack = nullptr;
    QToolButton* BtnSkipForward = nullptr;
    QToolButton* btnRepeat = nullptr;
    QToolButton* btnTrack = nullptr;
    QToolButton* btnMode = nullptr;
    QToolButton* btnBeg = nullptr;
    QToolButton* btnData = nullptr;
    QToolButton* btnBrowse = nullptr;
    QToolButton* btnSample = nullptr;
    QToolButton* btnPlaySamp = nullptr;

    std::unique_ptr<TLedDisplay> FLed;
    TTrackStrip* FStrip = nullptr;
    TFourWayVolume* FFourWay = nullptr;
    std::unique_ptr<THandsetMenu> FMenu;
};
