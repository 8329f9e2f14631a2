// The handset's buttons: the transport buttons with their glyphs, the buttons beside them, the hidden
// accelerator buttons, and which of them are enabled.
#include <QAction>
#include <QFrame>
#include <QToolButton>

#include "player/ui/GlyphIcon.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/HandsetButton.h"
#include "player/ui/HandsetMenu.h"

namespace {

// Below the client area: never seen, there only for their accelerator letters.
constexpr int HiddenTop = 2000;

} // namespace

QToolButton* TORB::MakeButton(const char* Name, const QString& Caption, const QString& Hint, QRect Place,
                              QWidget* Parent) {
    return MakeHandsetButton(Parent, Name, Caption, Hint, Place);
}

void TORB::BuildButtons() {
    const int Row1 = 62, Row2 = 88, Row3 = 114;
    btnPlay = MakeButton("btnPlay", {}, "Play CD", {6, Row1, 43, 24}, FClient);
    btnPause = MakeButton("btnPause", {}, "Pause/Restart CD", {51, Row1, 43, 24}, FClient);
    btnStop = MakeButton("btnStop", {}, "Stop CD", {96, Row1, 43, 24}, FClient);
    btnEject = MakeButton("btnEject", {}, "Eject CD", {141, Row1, 43, 24}, FClient);
    btnClose = MakeButton("btnClose", {}, "Close CD tray", {186, Row1, 43, 24}, FClient);
    btnBack = MakeButton("btnBack", {}, "Jump to previous track", {6, Row2, 43, 24}, FClient);
    btnSkipBack = MakeButton("btnSkipBack", {}, "Fast rewind - hold to repeat.", {51, Row2, 43, 24}, FClient);
    BtnSkipForward =
        MakeButton("BtnSkipForward", {}, "Fast forward - hold to repeat.", {96, Row2, 43, 24}, FClient);
    btnForward = MakeButton("btnForward", {}, "Jump to next track", {141, Row2, 43, 24}, FClient);
    btnStart =
        MakeButton("btnStart", {}, "Play from beginning of current track.", {186, Row2, 43, 24}, FClient);
    btnRepeat = MakeButton("btnRepeat", "&Repeat", "Toggle repeat mode.", {6, Row3, 72, 23}, FClient);
    btnRepeat->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnTrack = MakeButton("btnTrack", "Track", "Select track to play.", {80, Row3, 44, 23}, FClient);
    btnMode = MakeButton("btnMode", "Mode", "Select mode of play.", {126, Row3, 45, 23}, FClient);
    btnBeg = MakeButton("btnBeg", "Mar&k", "Mark start position of bookmark.", {173, Row3, 55, 23}, FClient);

    btnData = MakeButton("btnData", {}, "Display/Edit record for current disc.", {4, 4, 32, 29}, B4);
    btnBrowse = MakeButton("btnBrowse", {}, "Disc catalogue.", {39, 4, 32, 29}, B4);
    btnSample = MakeButton("btnSample", {}, "Record a sample from the disc.", {74, 4, 32, 29}, B4);
    btnPlaySamp = MakeButton("btnPlaySamp", {}, "Play disc samples and wave files.", {109, 4, 32, 29}, B4);
    btnData->setIcon(GlyphIcon(QStringLiteral("DataGlyph")));
    btnBrowse->setIcon(GlyphIcon(QStringLiteral("BrowseGlyph")));
    btnSample->setIcon(GlyphIcon(QStringLiteral("SampleGlyph")));
    btnPlaySamp->setIcon(GlyphIcon(QStringLiteral("PlaySampGlyph")));
    // Enabled at the first show when the wave device can record and play.
    for (QToolButton* Button : {btnSample, btnPlaySamp})
        Button->setEnabled(false);
    btnData->setEnabled(false);
    connect(btnData, &QToolButton::clicked, this, &TORB::btnDataClick);
    connect(btnSample, &QToolButton::clicked, this, &TORB::btnSampleClick);
    connect(btnPlaySamp, &QToolButton::clicked, this, &TORB::btnPlaySampClick);
    connect(btnBrowse, &QToolButton::clicked, this, &TORB::btnBrowseClick);

    connect(btnPlay, &QToolButton::clicked, this, [this] { GuardedCall([this] { FCore->btnPlayClick(); }); });
    connect(btnStop, &QToolButton::clicked, this, [this] { GuardedCall([this] { FCore->btnStopClick(); }); });
    connect(btnBack, &QToolButton::clicked, this, [this] { GuardedCall([this] { FCore->btnBackClick(); }); });
    connect(btnForward, &QToolButton::clicked, this,
            [this] { GuardedCall([this] { FCore->btnForwardClick(); }); });
    connect(btnMode, &QToolButton::clicked, this, [this] { GuardedCall([this] { FCore->btnModeClick(); }); });
    connect(btnRepeat, &QToolButton::clicked, this,
            [this] { GuardedCall([this] { FCore->btnRepeatClick(); }); });
    connect(btnTrack, &QToolButton::clicked, this,
            [this] { GuardedCall([this] { FCore->btnTrackClick(); }); });
    connect(btnBeg, &QToolButton::clicked, this, [this] { GuardedCall([this] { FCore->btnBegClick(); }); });
    connect(btnPause, &QToolButton::clicked, this, &TORB::btnPauseClick);
    connect(btnEject, &QToolButton::clicked, this, &TORB::btnEjectClick);
    connect(btnClose, &QToolButton::clicked, this, &TORB::btnCloseClick);
    connect(btnStart, &QToolButton::clicked, this, &TORB::btnStartClick);
    connect(btnSkipBack, &QToolButton::pressed, this, &TORB::btnSkipBackMouseDown);
    connect(btnSkipBack, &QToolButton::released, this, &TORB::btnSkipBackMouseUp);
    connect(BtnSkipForward, &QToolButton::pressed, this, &TORB::BtnSkipForwardMouseDown);
    connect(BtnSkipForward, &QToolButton::released, this, &TORB::BtnSkipForwardMouseUp);

    struct THidden {
        const char* Name;
        const char* Caption;
        QToolButton* Twin;
    };
    const THidden Hidden[] = {
        {"SpeedButton1", "&P", btnPlay},       {"SpeedButton2", "&S", btnStop},
        {"SpeedButton3", "&U", btnPause},      {"SpeedButton4", "&E", btnEject},
        {"SpeedButton5", "&C", btnClose},      {"SpeedButton6", "&B", btnStart},
        {"SpeedButton7", "&L", btnBack},       {"SpeedButton8", "&N", btnForward},
        {"SpeedButton11", "&Track", btnTrack}, {"SpeedButton13", "&D", btnData},
        {"SpeedButton14", "&W", btnBrowse},    {"SpeedButton15", "&J", btnSample},
        {"SpeedButton16", "&Y", btnPlaySamp},
    };
    int Left = 0;
    for (const THidden& H : Hidden) {
        QToolButton* Button =
            MakeButton(H.Name, QString::fromLatin1(H.Caption), {}, {Left, HiddenTop, 40, 20}, FClient);
        Left += 42;
        connect(Button, &QToolButton::clicked, H.Twin, &QToolButton::click);
    }
    // The skip letters have no handler: a key press cannot be held like the mouse button, so Alt+Z and
    // Alt+X do nothing and the Control menu's Ctrl+Z and Ctrl+X skip instead.
    MakeButton("SpeedButton9", "&Z", {}, {Left, HiddenTop, 40, 20}, FClient);
    MakeButton("SpeedButton10", "&X", {}, {Left + 42, HiddenTop, 40, 20}, FClient);
}

void TORB::SetBitmapButtons() {
    const QString Suffix = FSettings.UseColorButtons ? QStringLiteral("Color") : QStringLiteral("Mono");
    const std::pair<QToolButton*, const char*> Glyphs[] = {
        {btnPlay, "Play"},      {btnStop, "Stop"},   {btnPause, "Pause"},  {btnEject, "Eject"},
        {btnClose, "Close"},    {btnBack, "Last"},   {btnForward, "Next"}, {btnSkipBack, "Rew"},
        {BtnSkipForward, "FF"}, {btnStart, "Start"},
    };
    for (const auto& [Button, Stem] : Glyphs) {
        Button->setIcon(GlyphIcon(QString::fromLatin1(Stem) + Suffix));
        Button->setProperty("glyph", QString::fromLatin1(Stem) + Suffix);
    }
}

void TORB::SetRepeatShown(bool On) {
    const QString Led = On ? QStringLiteral("LEDON") : QStringLiteral("LEDOFF");
    btnRepeat->setIcon(GlyphIcon(Led));
    btnRepeat->setProperty("glyph", Led);
    if (FMenu) FMenu->SetChecked(QStringLiteral("Repeatmode1"), On);
}

void TORB::SetButtons(const TButtonGroups& G) {
    const auto Set = [this](std::initializer_list<QToolButton*> Buttons,
                            std::initializer_list<const char*> Items, bool On) {
        for (QToolButton* Button : Buttons)
            Button->setEnabled(On);
        for (const char* Item : Items)
            FMenu->SetEnabled(QString::fromLatin1(Item), On);
    };
    Set({btnPlay, btnMode}, {"Play1", "Modeofplay1"}, G.PlayGroup);
    Set({btnStop, btnBeg}, {"Stop1"}, G.StopGroup);
    Set({btnPause}, {"Pause1"}, G.PauseGroup);
    Set({btnBack}, {"Lasttrack1"}, G.PreviousGroup);
    Set({btnForward, btnTrack, btnData}, {"Nexttrack1", "EditCD1", "Cust1", "Fitt1", "Gototrack1"},
        G.NextGroup);
    Set({btnSkipBack, btnStart}, {"Fastrewind1", "Startofcurrenttrack1", "Fastforward1"}, G.SeekGroup);
    Set({BtnSkipForward}, {}, G.FastForwardButton);
    Set({btnClose}, {"CloseCDtray1"}, G.DriveOpen && G.DoorOpen);
    Set({btnEject}, {"OpenCDtray1"}, G.DriveOpen && !G.DoorOpen);
    Set({btnRepeat}, {"Repeatmode1"}, G.DriveOpen);
    btnSample->setEnabled(G.NextGroup && FWaveCanRecord);
}

bool TORB::PlayButtonEnabled() const {
    return btnPlay->isEnabled();
}
