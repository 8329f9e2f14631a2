// The handset's own commands: the menu, the transport buttons that go straight to the device, the
// hold-to-repeat skips, the time display toggle and the View, Mode and Help settings.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <cstdlib>

#include "app/base/DesktopMixer.h"
#include "app/base/HelpTopics.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/HintControl.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue_ui/ExportDialog.h"
#include "catalogue_ui/ImportDialog.h"
#include "devices/CdAudio.h"
#include "devices/MessageBoxes.h"
#include "player/ui/AboutBox.h"
#include "player/ui/DiscDataPanel.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/HandsetMenu.h"
#include "player/ui/ImageControl.h"
#include "player/ui/SmallHandset.h"

namespace {

constexpr int SW_SHOW = 5;

} // namespace

void TORB::BuildMenu() {
    const auto Core = [this](void (TPlayerCore::*Handler)()) {
        return [this, Handler] { GuardedCall([this, Handler] { (FCore.get()->*Handler)(); }); };
    };
    const auto Own = [this](void (TORB::*Handler)()) { return [this, Handler] { (this->*Handler)(); }; };
    const THandsetMenuHandlers Handlers = {
        {"EditCD1", Own(&TORB::btnDataClick)},
        {"mComp", [this] { mTypeClick('C'); }},
        {"mArt", [this] { mTypeClick('A'); }},
        {"mLab", [this] { mTypeClick('L'); }},
        {"mType", [this] { mTypeClick('T'); }},
        {"BrowseCDdatabase1", Own(&TORB::btnBrowseClick)},
        {"Exportdatabase1", Own(&TORB::Exportdatabase1Click)},
        {"Importdatabase1", Own(&TORB::Importdatabase1Click)},
        {"Rebuilddatabase1", Own(&TORB::Rebuilddatabase1Click)},
        {"SelectCDRomdrive1", Own(&TORB::SelectCDRomdrive1Click)},
        {"Exit1", Own(&TORB::Exit1Click)},
        {"Play1", Core(&TPlayerCore::btnPlayClick)},
        {"Stop1", Core(&TPlayerCore::btnStopClick)},
        {"Pause1", Own(&TORB::btnPauseClick)},
        {"Nexttrack1", Core(&TPlayerCore::btnForwardClick)},
        {"Lasttrack1", Core(&TPlayerCore::btnBackClick)},
        {"Startofcurrenttrack1", Own(&TORB::btnStartClick)},
        {"Gototrack1", Core(&TPlayerCore::btnTrackClick)},
        {"Cust1", Own(&TORB::Cust1Click)},
        {"Fitt1", Own(&TORB::Fitt1Click)},
        {"Fastforward1", Own(&TORB::BtnSkipForwardClick)},
        {"Fastrewind1", Own(&TORB::btnSkipBackClick)},
        {"OpenCDtray1", Own(&TORB::btnEjectClick)},
        {"CloseCDtray1", Own(&TORB::btnCloseClick)},
        {"miVol", Own(&TORB::miVolClick)},
        {"Modeofplay1", Core(&TPlayerCore::btnModeClick)},
        {"Repeatmode1", Core(&TPlayerCore::btnRepeatClick)},
        {"Autoplaymode1", Own(&TORB::Autoplaymode1Click)},
        {"miDiscData", Own(&TORB::miDiscDataClick)},
        {"miExt", Own(&TORB::miExtClick)},
        {"Helpcontents1", Own(&TORB::Helpcontents1Click)},
        {"Small2", Own(&TORB::Small2Click)},
        {"Showhints1", Own(&TORB::Showhints1Click)},
        {"AboutOrbelune1", Own(&TORB::AboutOrbelune1Click)},
        {"ConfigureOrbelune1", Own(&TORB::ConfigureOrbelune1Click)},
    };
    FMenu = std::make_unique<THandsetMenu>(menuBar(), Handlers);
}

void TORB::DisplayClick() {
    FFlags.ShowDiscTime = !FFlags.ShowDiscTime;
    Display->setToolTip(FFlags.ShowDiscTime
                            ? QStringLiteral("Click with the left mouse button to show track details")
                            : QStringLiteral("Click with the left mouse button to show disk details"));
}

void TORB::btnPauseClick() {
    GuardedCall([this] { FCd.TogglePause(); });
}

void TORB::btnEjectClick() {
    GuardedCall([this] {
        FCd.OpenDoor();
        FCore->SetButtons(bsNoDisc);
    });
}

void TORB::btnCloseClick() {
    GuardedCall([this] { FCd.CloseDoor(); });
}

void TORB::btnStartClick() {
    GuardedCall([this] { FCd.GoToTrack(FState.CurrentTrack); });
}

void TORB::btnSkipBackClick() {
    GuardedCall([this] { FCd.SkipBack(); });
}

void TORB::BtnSkipForwardClick() {
    GuardedCall([this] { FCd.SkipForward(); });
}

void TORB::btnSkipBackMouseDown() {
    if (!GuardedCall([this] { FCd.SkipBack(); })) return;
    SkipBackHeld = true;
    tmrSkip.start(std::max(FSettings.SkipInterval, 1));
}

void TORB::btnSkipBackMouseUp() {
    tmrSkip.stop();
    SkipBackHeld = false;
}

void TORB::BtnSkipForwardMouseDown() {
    if (!GuardedCall([this] { FCd.SkipForward(); })) return;
    SkipForwardHeld = true;
    tmrSkip.start(std::max(FSettings.SkipInterval, 1));
}

void TORB::BtnSkipForwardMouseUp() {
    tmrSkip.stop();
    SkipForwardHeld = false;
}

void TORB::tmrSkipTimer() {
    tmrSkip.stop();
    const bool Done = GuardedCall([this] {
        if (SkipBackHeld) FCd.SkipBack();
        if (SkipForwardHeld) FCd.SkipForward();
    });
    // After an error the repeat ends; the button's release would otherwise come after a message box.
    if (!Done) {
        SkipBackHeld = SkipForwardHeld = false;
        return;
    }
    tmrSkip.start(std::max(FSettings.SkipInterval, 1));
}

void TORB::imgTracksClick(int Track) {
    GuardedCall([this, Track] { FCd.GoToTrack(Track); });
}

void TORB::Exportdatabase1Click() {
    TfrmExport Dialog(FCatalogue, this);
    Dialog.exec();
}

void TORB::Importdatabase1Click() {
    TfrmImport Dialog(FCatalogue, this);
    Dialog.exec();
    // The import may have merged into the record of the disc in the drive, which it then loaded again.
    if (!FCatalogue.CurrentDiscCode.empty()) ShowDiscTexts();
}

void TORB::Exit1Click() {
    // Closing a hidden handset (the small handset up) ends no event loop: the program is ended here.
    const bool Hidden = isHidden();
    close();
    if (SmallHandset() && SmallHandset()->isVisible()) SmallHandset()->close();
    if (Hidden) QCoreApplication::quit();
}

void TORB::Autoplaymode1Click() {
    FSettings.AutoPlayOnStartup = !FSettings.AutoPlayOnStartup;
    FMenu->SetChecked(QStringLiteral("Autoplaymode1"), FSettings.AutoPlayOnStartup);
    SaveSettings(FSettings);
}

void TORB::Showhints1Click() {
    FSettings.ShowHints = !FSettings.ShowHints;
    FMenu->SetChecked(QStringLiteral("Showhints1"), FSettings.ShowHints);
    SetHintsShown(FSettings.ShowHints);
    SaveSettings(FSettings);
}

void TORB::miDiscDataClick() {
    FSettings.ShowDiscData = !FSettings.ShowDiscData;
    FMenu->SetChecked(QStringLiteral("miDiscData"), FSettings.ShowDiscData);
    ApplyWindowSize();
    SaveSettings(FSettings);
}

void TORB::miExtClick() {
    FSettings.ShowExtendedHandset = !FSettings.ShowExtendedHandset;
    FMenu->SetChecked(QStringLiteral("miExt"), FSettings.ShowExtendedHandset);
    ApplyWindowSize();
    SaveSettings(FSettings);
}

void TORB::miVolClick() {
    QString Mixer = QString::fromStdString(FSettings.MixerControl);
    if (!QFileInfo(Mixer).isFile()) {
        // The first volume control found stands in for one not installed; it is not kept, so the
        // settings still name the program chosen there.
        const char* Path = std::getenv("PATH");
        const char* Desktops = std::getenv("XDG_CURRENT_DESKTOP");
        if (const TProgramCall Found = FindMixer(Path ? Path : "", Desktops ? Desktops : "");
            !Found.Program.empty()) {
            RunProgram(Found.Program, Found.Arguments, std::string(), SW_SHOW);
            return;
        }
        Mixer = QFileDialog::getOpenFileName(this, QStringLiteral("Volume control"), QFileInfo(Mixer).path(),
                                             QStringLiteral("Applications (*)"));
        if (Mixer.isEmpty()) return;
        FSettings.MixerControl = CutText255(Mixer.toStdString());
        SaveSettings(FSettings);
    }
    const std::string& Program = FSettings.MixerControl;
    const std::size_t Slash = Program.find_last_of('/');
    RunProgram(Program, std::string(),
               Slash == std::string::npos ? std::string() : Program.substr(0, Slash + 1), SW_SHOW);
}

void TORB::Helpcontents1Click() {
    ShowHelp(hcContents);
}

void TORB::AboutOrbelune1Click() {
    TAboutBox About(this);
    About.exec();
}
