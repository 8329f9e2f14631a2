#include "player/ui/Handset.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>

#include "app/base/ColourValues.h"
#include "app/base/DataFolder.h"
#include "app/ui/HintControl.h"
#include "app/ui/ProgramPictures.h"
#include "app/ui/ProgramResources.h"
#include "app/ui/ScreenPlacement.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/CdAudio.h"
#include "devices/MessageBoxes.h"
#include "devices/ui/RecordWindow.h"
#include "player/ui/DiscDataPanel.h"
#include "player/ui/FourWayVolume.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/HandsetMenu.h"
#include "player/ui/ImageControl.h"
#include "player/ui/LedDisplay.h"
#include "player/ui/SmallHandset.h"
#include "player/ui/TrackStrip.h"

namespace {

// The handset's clickable images show a pointing hand; its hot spot is the fingertip.
QCursor PointHandCursor() {
    const QPixmap Hand(QStringLiteral(":/PointHand"));
    return Hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(Hand, 10, 1);
}

QFrame* MakePanel(const char* Name, QRect Place, QWidget* Parent) {
    auto* Panel = new QFrame(Parent);
    Panel->setObjectName(QString::fromLatin1(Name));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setLineWidth(1);
    Panel->setGeometry(Place);
    return Panel;
}

TImageControl* MakeImage(const char* Name, QRect Place, const char* Hint, QWidget* Parent) {
    auto* Image = new TImageControl(QString::fromLatin1(Name), Parent);
    Image->setGeometry(Place);
    Image->setToolTip(QString::fromUtf8(Hint));
    return Image;
}

QProgressBar* MakeBar(const char* Name, QRect Place, QWidget* Parent) {
    auto* Bar = new QProgressBar(Parent);
    Bar->setObjectName(QString::fromLatin1(Name));
    Bar->setOrientation(Qt::Vertical);
    Bar->setRange(0, 65535);
    Bar->setTextVisible(false);
    Bar->setGeometry(Place);
    return Bar;
}

} // namespace

TORB::TORB(TPlayerSettings& Settings, TPlayerState& State, THandsetFlags& Flags, TCdAudio& Cd,
           TWaveAudio& Wave, TDiscCatalogue& Catalogue, bool AutoPlaySwitch, QWidget* Parent)
    : QMainWindow(Parent), FSettings(Settings), FState(State), FFlags(Flags), FCd(Cd), FWave(Wave),
      FCatalogue(Catalogue) {
    InitProgramResources();
    setObjectName(QStringLiteral("ORB"));
    setWindowTitle(QStringLiteral("Orbelune"));
    FCore = std::make_unique<TPlayerCore>(FSettings, FState, FFlags, FCd, FCatalogue, *this);
    FCd.OnStatusPoll = [this] { FCore->StatusPoll(); };
    FCd.OnPlayStarted = [this] { PlayStarted(); };
    FRecord = std::make_unique<TfrmRecord>(FSettings, FState, FCd, FWave, FCatalogue, *FCore, this);
    Timer.setObjectName(QStringLiteral("Timer"));
    Timer.setInterval(ClockInterval);
    connect(&Timer, &QTimer::timeout, this, [this] {
        GuardedCall([this] {
            FCore->TimerTimer();
            WatchNewDisc();
        });
    });
    tmrSkip.setObjectName(QStringLiteral("tmrSkip"));
    tmrSkip.setSingleShot(true);
    connect(&tmrSkip, &QTimer::timeout, this, &TORB::tmrSkipTimer);
    BuildControls();
    BuildMenu();
    FFlags.AutoPlaySwitch = AutoPlaySwitch;
    FormCreate();
}

TORB::~TORB() {
    // The device must not call back into a core that is gone.
    FCd.OnStatusPoll = nullptr;
    FCd.OnPlayStarted = nullptr;
}

void TORB::BuildControls() {
    FClient = new QWidget(this);
    FClient->setObjectName(QStringLiteral("Client"));
    FClient->installEventFilter(this);
    setCentralWidget(FClient);

    panDisplay = MakePanel("panDisplay", DesignedDisplay, FClient);
    panDisplay->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    const char* TimeHint = "Click left mouse button to toggle disk and track time display.";
    Display = MakeImage("Display", {94, 2, 126, 45}, TimeHint, panDisplay);
    imgMode =
        MakeImage("imgMode", {4, 4, 89, 14}, "Click the left mouse button to select play mode.", panDisplay);
    imgTrack =
        MakeImage("imgTrack", {4, 17, 89, 14}, "Click the left mouse button to select a track.", panDisplay);
    imgTime = MakeImage("imgTime", {4, 30, 89, 14}, TimeHint, panDisplay);
    FLed = std::make_unique<TLedDisplay>(FSettings, panDisplay, Display, imgMode, imgTrack, imgTime);
    connect(Display, &TImageControl::Clicked, this, &TORB::DisplayClick);
    connect(imgTime, &TImageControl::Clicked, this, &TORB::DisplayClick);
    connect(imgMode, &TImageControl::Clicked, this,
            [this] { GuardedCall([this] { FCore->btnModeClick(); }); });
    connect(imgTrack, &TImageControl::Clicked, this,
            [this] { GuardedCall([this] { FCore->btnTrackClick(); }); });

    ImgPanel = MakePanel("ImgPanel", {236, 8, 102, 90}, FClient);
    imgTracks = MakeImage("imgTracks", {1, 1, 98, 86},
                          "Click the left mouse button to select a track - right mouse button to toggle "
                          "track/picture display.",
                          ImgPanel);
    FStrip = new TTrackStrip(FSettings, FFlags, ImgPanel, imgTracks);
    FStrip->setParent(this);
    FStrip->TrackCount = [this] { return FCd.TrackCount; };
    FStrip->CurrentTrack = [this] { return FState.CurrentTrack; };
    FStrip->ExtractDiscPicture = [this] { ExtractDiscPicture(); };
    FStrip->TrackName = [this](int Track) {
        if (FCatalogue.CurrentDiscCode.empty()) return std::string();
        const TShownDisc* Shown = FCatalogue.ShownNewDisc();
        const std::string Name = FCatalogue.ShownTrackName(Track);
        return Shown && !Name.empty() ? Name + " (" + ShownMark(Shown->Source) + ")" : Name;
    };
    connect(FStrip, &TTrackStrip::TrackClicked, this, &TORB::imgTracksClick);

    panVolume = MakePanel("panVolume", {340, 8, 39, 90}, FClient);
    gLeft = MakeBar("gLeft", {9, 3, 9, 50}, panVolume);
    gRight = MakeBar("gRight", {21, 3, 9, 50}, panVolume);
    iFourWay = MakeImage("iFourWay", {0, 0, 30, 30},
                         "Volume control. Click and hold to change - click on middle to equalise channels.",
                         panVolume);
    iFourWay->hide();
    FFourWay = new TFourWayVolume(FSettings, iFourWay);
    FFourWay->setParent(this);
    FFourWay->OnVolumeChanged = [this] { VolumeChanged(); };
    FFourWay->OnVolumeReleased = [this] { GuardedCall([this] { FCore->StoreVolumeWithDisc(); }); };

    B4 = new QFrame(FClient);
    B4->setObjectName(QStringLiteral("B4"));
    B4->setFrameStyle(QFrame::Box | QFrame::Sunken);
    B4->setGeometry(236, 100, 143, 37);

    DData = new TDiscDataPanel(FSettings, FClient);
    DData->setGeometry(8, 144, 369, 70);

    BuildButtons();

    const QCursor Hand = PointHandCursor();
    for (TImageControl* Image : {Display, imgMode, imgTrack, imgTime, imgTracks, iFourWay})
        Image->setCursor(Hand);
}

void TORB::FormCreate() {
    FFlags.SmallHandsetActive = false;
    LoadSettings(FSettings);
    // Said once, before anything tries to write: the catalogue then opens for reading only and every
    // save is dropped quietly.
    if (!DataFolderWritable(ProgramDir())) {
        ShowError(DataFolderReadOnlyMessage(ProgramDir()));
        FCatalogue.SetReadOnly(true);
    }
    InstallProgramPictures(ProgramDir());
    if (FSettings.BackgroundBitmap.empty()) FSettings.BackgroundBitmap = ProgramDir() + "sandblst.bmp";
    InitRecordEngine(8);
    if (FCatalogue.OpenDiscFiles()) FCatalogue.CloseDiscFiles();

    FCd.CDOpen = false;
    FFlags.DiscShown = false;
    FState.DiscLoaded = false;
    FState.Recording = false;
    FState.PlayMode = pmDisc;
    FFlags.ShowDiscTime = false;
    FState.RepeatOn = false;
    FState.RepeatTrack = 0;
    FState.BookmarkStart = 0;
    FState.BookmarkEnd = 0;
    SetRepeatShown(false);
    FCd.Playing = false;
    FState.AdvanceArmed = true;
    FState.MediaPresent = true;
    FFlags.TrackListShown = true;

    FStrip->imgTracksSetup();
    ApplyColours();
    SetVolumeBars(FSettings.VolumeLeft, FSettings.VolumeRight);

    FMenu->SetChecked(QStringLiteral("Autoplaymode1"), FSettings.AutoPlayOnStartup);
    FLed->DrawAllDigits();

    const int Below = gLeft->y() + gLeft->height();
    iFourWay->setGeometry((panVolume->width() - 39) / 2 + 5, Below + (panVolume->height() - Below - 30) / 2,
                          30, 30);
    FFourWay->iFourWayDraw();

    SetDisplay();
    // The glyphs are loaded here too, so a handset whose drive cannot be opened still shows them.
    SetBitmapButtons();
    move(KeepOnScreen(QPoint(FSettings.MainLeft, FSettings.MainTop), size()));

    InstallHintControl();
    SetHintsShown(FSettings.ShowHints);
    FMenu->SetChecked(QStringLiteral("Showhints1"), FSettings.ShowHints);

    FBackgroundImage = QImage();
    if (FSettings.UseBackgroundBitmap) FBackgroundImage = LoadPictureFile(FSettings.BackgroundBitmap);
}

void TORB::SetDisplay() {
    FLed->SetDisplay();
    PlaceAroundDisplay();
    LayoutDiscPanel();
}

void TORB::PlaceAroundDisplay() {
    if (FDesignedPlaces.empty()) {
        // The right-hand column beside the display, and everything below it.
        for (QWidget* W : std::initializer_list<QWidget*>{ImgPanel, panVolume, B4})
            FDesignedPlaces.push_back({W, W->pos(), true});
        for (QWidget* W : FClient->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            // The hidden accelerator buttons far below stay where they are.
            if (W != DData && W != B4 && W->y() > DesignedDisplay.bottom() && W->y() < 1000)
                FDesignedPlaces.push_back({W, W->pos(), false});
        FDesignedPlaces.push_back({DData, DData->pos(), false});
    }
    // A display grown for a large font pushes the column right and the rows below it down.
    const int Wider = std::max(panDisplay->width() - DesignedDisplay.width(), 0);
    const int Taller = std::max(panDisplay->height() - DesignedDisplay.height(), 0);
    for (const TDesignedPlace& P : FDesignedPlaces)
        P.Widget->move(P.Place + (P.Beside ? QPoint(Wider, 0) : QPoint(0, Taller)));
}

void TORB::LayoutDiscPanel() {
    DData->LayoutRows();
    FSizes.HeightWithData = DData->y() + DData->height() + 7;
    FSizes.HeightPlain = btnBeg->y() + btnBeg->height() + 7;
    FSizes.WidthExtended = B4->x() + B4->width() + 13;
    // A display grown for its font widens the plain handset by as much.
    FSizes.WidthPlain =
        btnBeg->x() + btnBeg->width() + 13 + std::max(panDisplay->width() - DesignedDisplay.width(), 0);
    ApplyWindowSize();
}

void TORB::ApplyWindowSize() {
    int Width = FSizes.WidthExtended;
    if (!FSettings.ShowExtendedHandset) {
        // The plain width is the window's outer width: the frame comes off it, and however thin the frame
        // nothing of the track strip shows.
        const int Frame = std::max(frameGeometry().width() - geometry().width(), 0);
        Width = std::min(FSizes.WidthPlain - Frame, ImgPanel->x());
    }
    const int Height = FSettings.ShowDiscData ? FSizes.HeightWithData : FSizes.HeightPlain;
    // The panel spans the window less a margin on each side, so its frame is never cut.
    DData->SetWidth(Width - 24);
    SetClientSize(Width, Height);
}

void TORB::SetClientSize(int Width, int Height) {
    FClient->setFixedSize(Width, Height);
    int MenuHeight = menuBar()->heightForWidth(Width);
    if (MenuHeight < 0) MenuHeight = menuBar()->sizeHint().height();
    setFixedSize(Width, Height + MenuHeight);
}

void TORB::FormPaint(QWidget* Client) {
    if (!FSettings.UseBackgroundBitmap || FBackgroundImage.isNull()) return;
    QPainter Painter(Client);
    const int W = FBackgroundImage.width();
    const int H = FBackgroundImage.height();
    for (int Column = 0; Column <= Client->width() / W; ++Column) {
        for (int Row = 0; Row <= Client->height() / H; ++Row)
            Painter.drawImage(Column * W, Row * H, FBackgroundImage);
    }
}

bool TORB::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FClient && Event->type() == QEvent::Paint) {
        FormPaint(FClient);
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TORB::VolumeChanged() {
    SetVolumeBars(FSettings.VolumeLeft, FSettings.VolumeRight);
    // Without a drive the volume is only kept; opening the drive applies it.
    if (FCd.CDOpen) GuardedCall([this] { FCd.ApplyVolume(); });
}

void TORB::ExtractDiscPicture() {
    const std::string Picture = FCatalogue.WorkingPicture();
    if (FCatalogue.CurrentDisc.PictureRef == 0 || QFileInfo::exists(QString::fromStdString(Picture))) return;
    if (!FCatalogue.OpenDiscVlf()) return;
    FCatalogue.fvlf.Vlf.ExtractFile(FCatalogue.CurrentDisc.PictureRef, Picture, false);
    FCatalogue.CloseDiscVlf();
}
