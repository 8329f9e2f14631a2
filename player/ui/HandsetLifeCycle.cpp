// The handset's show, close, resize handlers: opening the drive when the window first shows, and
// shutting the program's devices and files down when it closes.
#include <QCloseEvent>
#include <QShowEvent>
#include <QToolButton>
#include <filesystem>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/CdAudio.h"
#include "devices/DriveList.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/HandsetMenu.h"
#include "player/ui/LedDisplay.h"

void TORB::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (!Event->spontaneous()) FormShow();
}

void TORB::FormShow() {
    if (!FFlags.SmallHandsetActive && !FShownOnce) {
        FShownOnce = true;
        // The images named in the drive chooser in earlier runs; one not there now is left out of the list.
        for (const std::string& Image : FSettings.DiscImages)
            if (std::error_code Ec; std::filesystem::is_regular_file(Image, Ec)) AddVirtualDrive(Image);
        FCd.CountCDDevices();
        FCore->SetButtons(bsNoDisc);
        FMenu->SetChecked(QStringLiteral("miDiscData"), FSettings.ShowDiscData);
        FMenu->SetChecked(QStringLiteral("miExt"), FSettings.ShowExtendedHandset);
        ApplyWindowSize();
        try {
            // Listed also when the command line names another drive, so the chooser offers it.
            FSettings.CDROMInUse = StoredDriveNumber(FSettings.CDROMDrive, FSettings.CDROMInUse);
            FCd.OpenCD(FDriveOverride >= 0 ? FDriveOverride : FSettings.CDROMInUse);
        } catch (const EMCIDeviceError& Error) {
            // The handset stays without a drive; the catalogue commands remain usable.
            ShowError(Error.what());
            FFlags.JustShown = true;
            return;
        }
        // An empty drive: the door buttons now follow its tray.
        if (!FState.DiscLoaded) FCore->SetButtons(bsNoDisc);
        FWaveCanRecord = false;
        try {
            FWave.OpenWave(std::string());
            FWaveCanRecord = FWave.WaveOpen && FWave.WaveCanRecord;
            btnPlaySamp->setEnabled(FWave.WaveOpen && FWave.WaveCanPlay);
        } catch (const EMCIDeviceError& Error) {
            ShowError(Error.what());
        }
        FWave.CloseWave();
        FCore->SetButtons(FCore->ButtonState());
        FCd.ApplyVolume();
        if (FCd.CDOpen)
            Timer.start();
        else
            FCore->SetButtons(bsNoDisc);
        SetBitmapButtons();
        if (FCatalogue.OpenDiscVlf()) FCatalogue.CloseDiscVlf();
    }
    FFlags.JustShown = true;
}

std::string TORB::TakeDrive(const std::string& Path) {
    // A path that is not there would otherwise join the drive list as a disc image.
    std::error_code Ec;
    if (!Path.empty() && !std::filesystem::is_block_file(Path, Ec) &&
        !std::filesystem::is_regular_file(Path, Ec))
        return "There is no drive or disc image at " + Path + ".";
    const int Drive = Path.empty() ? -1 : DriveNumberFor(Path);
    const int InUse = FDriveOverride >= 0 ? FDriveOverride : FSettings.CDROMInUse;
    if (Drive < 0 || (Drive == InUse && FCd.CDOpen)) return {};
    // Whoever asked hears why not; nothing is shown here.
    const auto Quietly = [](const auto& Call) {
        try {
            Call();
            return std::string();
        } catch (const std::exception& Error) {
            return std::string(Error.what());
        }
    };
    // The disc of the drive given up goes as a disc taken out does; the new one is read at once.
    FCd.CloseCD();
    Quietly([this] { FCore->TimerTimer(); });
    const std::string Refused = Quietly([this, Drive] { FCd.OpenCD(Drive); });
    if (!Refused.empty()) {
        // The drive in use before stays in use.
        if (!Quietly([this, InUse] { FCd.OpenCD(InUse); }).empty()) {
            FCore->SetButtons(bsNoDisc);
            return Refused;
        }
    } else {
        FDriveOverride = Drive;
    }
    Quietly([this] {
        FCd.ApplyVolume();
        FCore->SetButtons(FCore->ButtonState());
        FCore->TimerTimer();
    });
    if (!Timer.isActive()) Timer.start(FClockInterval);
    return Refused;
}

void TORB::closeEvent(QCloseEvent* Event) {
    FormClose();
    QMainWindow::closeEvent(Event);
}

// Every step runs whatever the one before it met: a drive that is gone or was never opened must not
// keep the settings from being saved or the record engine from being shut down.
void TORB::FormClose() {
    if (FClosed) return;
    FClosed = true;
    const auto Step = [](const auto& Call) {
        try {
            Call();
        } catch (const std::exception&) {
        }
    };
    if (FSettings.AutoStopOnCloseDown && FCd.CDOpen) Step([this] { FCd.StopCD(); });
    Timer.stop();
    FSettings.MainTop = y();
    FSettings.MainLeft = x();
    Step([this] { SaveSettings(FSettings); });
    Step([this] { FLed->FreeBitmaps(); });
    Step([this] { FWave.CloseWave(); });
    Step([this] { FCd.CloseCD(); });
    Step([] { DoneRecordEngine(); });
}

void TORB::resizeEvent(QResizeEvent* Event) {
    QMainWindow::resizeEvent(Event);
    if (!isMinimized()) SetApplicationTitle("ORB");
}
