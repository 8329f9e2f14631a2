// The handset's commands that open the catalogue's windows for the disc in the drive and the reference
// lists, play samples, rebuild the catalogue and choose the drive.
#include <QLabel>
#include <algorithm>
#include <utility>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscLookup.h"
#include "catalogue/LookupStore.h"
#include "catalogue/ui/ListsWindow.h"
#include "catalogue_ui/CatalogueBrowser.h"
#include "catalogue_ui/DiscDataEditor.h"
#include "catalogue_ui/DriveChooser.h"
#include "catalogue_ui/ProgressForm.h"
#include "catalogue_ui/SamplePlayer.h"
#include "devices/CdAudio.h"
#include "devices/DiscIdentity.h"
#include "devices/DriveList.h"
#include "devices/ui/RecordWindow.h"
#include "player/ui/DiscDataPanel.h"
#include "player/ui/GuardedCall.h"
#include "player/ui/Handset.h"
#include "player/ui/TrackStrip.h"

// The recording window lives as long as the handset; the recording it starts outlasts it.
void TORB::btnSampleClick() {
    FRecord->exec();
}

void TORB::btnDataClick() {
    TDiscCatalogue& Cat = FCatalogue;
    const std::string Code = Cat.CurrentDiscCode;
    if (Code.empty()) return;
    // Another program may have stored this disc since it was read: the editor starts from the record as
    // stored now.
    if (Cat.RefreshCurrentDisc()) ShowDiscTexts();
    // The editor works on copies: the clock goes on behind it and may take in another disc meanwhile,
    // whose record, tracks and notes must not be mixed with the edited ones.
    TDiscRecord Rec = Cat.CurrentDisc;
    TStringGridData Tracks = Cat.fvlf.Tracks;
    std::string Memo = Cat.fvlf.Memo;
    TDiscKeys Keys = Cat.LoadedKeys;
    std::int32_t RecNo = Cat.CurrentDiscRecNo;
    TDriveDisc Drive;
    if (FCd.GetToc(Drive.Toc)) {
        Drive.Code = DiscCodeText(DiscIdentity(Drive.Toc));
        Drive.Text = FCd.GetCdText();
    }
    // A new disc shows what its CD-TEXT or the lookup gave without holding it: the editor starts from the
    // record as it was loaded, offers "Use CD-TEXT" and fills in the looked-up match, so only OK stores.
    const std::shared_ptr<TLookupMatch> Match = FAutoMatch;
    if (Match && RecNo == 0 && FWatchedCode == Code && Cat.ShownNewDisc()) Drive.LookedUp = Match.get();
    const int Result = EditDiscData(this, Cat, &FWave, Rec, Tracks, Memo, Keys, RecNo, Code, &Drive);
    // Meanwhile the clock may have taken in another disc, whose own shown texts stay.
    if (Cat.CurrentDiscCode != Code) return;
    // OK stores what the user kept; after Cancel the disc's own text still shows while its record is blank.
    if (Result == QDialog::Accepted || RecNo != 0) FAutoMatch.reset();
    if (Result == QDialog::Accepted) Cat.Shown = {};
    // What is stored now is shown: the run's own stores, and what another program stored meanwhile. The
    // run's copies stand in when the catalogue cannot be read.
    if (!Cat.ReloadCurrentDisc() || Cat.CurrentDiscRecNo == 0) {
        Cat.CurrentDisc = Rec;
        Cat.fvlf.Tracks = Tracks;
        Cat.fvlf.Memo = Memo;
        Cat.LoadedKeys = Keys;
        Cat.CurrentDiscRecNo = RecNo;
    }
    ShowDiscTexts();
    DData->SetTrack({});
    if (FFlags.HighlightedTrack > 0 && FFlags.TrackListShown) DrawTrackNumber(FFlags.HighlightedTrack, false);
    FFlags.HighlightedTrack = -1;
    if (!FFlags.TrackListShown) FStrip->ShowBitmap();
}

void TORB::WatchNewDisc() {
    const std::string& Code = FCatalogue.CurrentDiscCode;
    // Stored meanwhile (a recorded sample stores a new disc as it was loaded) with a looked-up match
    // shown: the record shows again.
    if (!DData->labMark->isHidden() && !FCatalogue.ShownNewDisc()) {
        ShowDiscTexts();
        if (FFlags.DiscShown) DData->SetTrack(FCatalogue.ShownTrackName(FState.CurrentTrack));
    }
    if (Code == FWatchedCode) return;
    FWatchedCode = Code;
    FAutoMatch.reset();
    FAutoStore.reset();
    if (FAutoLookup) FAutoLookup->Cancel();
    if (Code.empty() || !FCatalogue.CurrentDiscBlank()) return;
    // What the disc itself says is shown at once, with no network; a drive that cannot read it shows
    // the record as it is.
    try {
        FCatalogue.Shown = ShownFromCdText(Code, FCd.GetCdText(), FCatalogue.CurrentDisc);
    } catch (const std::exception&) {
        FCatalogue.Shown = {};
    }
    if (FCatalogue.ShownNewDisc()) {
        ShowDiscTexts();
        if (FFlags.DiscShown) DData->SetTrack(FCatalogue.ShownTrackName(FState.CurrentTrack));
    }
    if (FCatalogue.CurrentDiscRecNo != 0 || !FSettings.LookupNewDiscs) return;
    TDriveToc Toc;
    if (!FCd.GetToc(Toc)) return;
    const TLookupToc LookupToc = LookupTocOf(Toc);
    if (!LookupToc.Valid()) return;
    if (!FAutoLookup) {
        FAutoLookup = new TDiscLookup(LookupServersOf(FSettings), this);
        connect(FAutoLookup, &TDiscLookup::Finished, this, &TORB::NewDiscLookedUp);
        connect(FAutoLookup, &TDiscLookup::DetailsFinished, this, &TORB::NewDiscDetailed);
    }
    FAutoLookup->Start(LookupToc);
}

void TORB::NewDiscLookedUp(const TLookupResult& Result) {
    // The disc may have gone, or been stored, meanwhile; a failure leaves the disc as it is, unannounced.
    if (Result.Cancelled || !Result.Answered() || Result.Matches.empty()) return;
    if (FCatalogue.CurrentDiscCode != FWatchedCode || FCatalogue.CurrentDiscRecNo != 0) return;
    const TLookupMatch& Match = Result.Matches.front();
    FAutoMatch = std::make_shared<TLookupMatch>(Match);
    // The match takes the place of the CD-TEXT shown so far.
    FCatalogue.Shown = ShownFromLookup(FWatchedCode, Match, FCatalogue.CurrentDisc, FCatalogue.fvlf.Tracks);
    ShowDiscTexts();
    DData->SetTrack(FCatalogue.ShownTrackName(FState.CurrentTrack));
    // Several matches are only shown: the user chooses in the editor, where Look up lists them. One is
    // stored when its composers and cover have come, as the editor's OK would store them.
    TDriveToc Toc;
    if (FSettings.StoreLookedUpDiscs && Result.Matches.size() == 1 && FCd.GetToc(Toc)) {
        FAutoStore = FAutoMatch;
        FAutoLookup->StartDetails(Match, LookupTocOf(Toc));
    }
}

void TORB::NewDiscDetailed(const TLookupDetails& Details) {
    const std::shared_ptr<TLookupMatch> Match = std::exchange(FAutoStore, nullptr);
    // The disc may have gone, or been stored by the user, meanwhile.
    if (!Match || Details.Cancelled || FCatalogue.CurrentDiscCode != FWatchedCode ||
        FCatalogue.CurrentDiscRecNo != 0)
        return;
    TDiscCatalogue& Cat = FCatalogue;
    TDiscEdit Edit(Cat, Cat.CurrentDisc, Cat.fvlf.Tracks, Cat.fvlf.Memo, Cat.LoadedKeys, Cat.CurrentDiscRecNo,
                   Cat.CurrentDiscCode);
    std::string Note;
    if (StoreLookupMatch(Edit, *Match, Details, FSettings, Note)) {
        FAutoMatch.reset();
        Cat.Shown = {};
    }
    ShowDiscTexts();
    DData->SetTrack(Cat.ShownTrackName(FState.CurrentTrack));
    if (!FFlags.TrackListShown) FStrip->ShowBitmap();
}

void TORB::btnBrowseClick() {
    {
        TfrmCat Cat(
            FCatalogue, &FWave,
            [this] {
                TDiscToc Toc;
                Toc.TrackCount = FCd.TrackCount >= 1 && FCd.TrackCount <= 99 ? FCd.TrackCount : 0;
                for (int T = 1; T <= Toc.TrackCount; ++T)
                    Toc.TrackLengths[T - 1] = FCd.TrackLength[T];
                Toc.TotalTime = FState.DiscTotalTime;
                return Toc;
            },
            this);
        Cat.exec();
    }
    ShowDiscTexts();
    DData->SetTrack({});
    if (FFlags.HighlightedTrack > 0 && FFlags.TrackListShown) DrawTrackNumber(FFlags.HighlightedTrack, false);
    FFlags.HighlightedTrack = -1;
}

void TORB::mTypeClick(char ListType) {
    TfrmLists Lists(this);
    Lists.ListType = ListType;
    Lists.exec();
}

void TORB::btnPlaySampClick() {
    TfrmSelectPlay Player(FCatalogue, &FWave, this);
    Player.exec();
}

void TORB::Rebuilddatabase1Click() {
    // The clock waits: its tick reads the catalogue, whose files are swapped while the progress shows.
    const bool Ticking = Timer.isActive();
    Timer.stop();
    std::unique_ptr<TProgForm> Progress;
    FCatalogue.RebuildDatabase([this, &Progress](int Percent) {
        if (!Progress) {
            Progress = std::make_unique<TProgForm>(this);
            Progress->Start(QStringLiteral("Rebuilding"));
        }
        Progress->SetProgress(Percent);
    });
    Progress.reset();
    if (Ticking) Timer.start();
}

void TORB::SelectCDRomdrive1Click() {
    TfrmCD Chooser(FCd.CountCDDevices(), FDriveOverride >= 0 ? FDriveOverride : FSettings.CDROMInUse, this);
    const bool Chosen = Chooser.exec() == QDialog::Accepted;
    // The images named there are listed again at the next start, however the chooser closed.
    bool Named = false;
    for (const std::string& Image : Chooser.AddedImages)
        if (std::find(FSettings.DiscImages.begin(), FSettings.DiscImages.end(), Image) ==
            FSettings.DiscImages.end()) {
            FSettings.DiscImages.push_back(Image);
            Named = true;
        }
    if (Named) SaveSettings(FSettings);
    if (!Chosen) return;
    // The disc of the drive given up goes as a disc taken out does, so the new drive's disc is read anew.
    FCd.CloseCD();
    FCore->TimerTimer();
    const int Previous = FSettings.CDROMInUse;
    FSettings.CDROMInUse = Chooser.CDROMInUse;
    if (!GuardedCall([this] { FCd.OpenCD(FSettings.CDROMInUse); })) {
        // Kept out of the settings, also when another change saves them later.
        FSettings.CDROMInUse = Previous;
        FCore->SetButtons(bsNoDisc);
        return;
    }
    FSettings.CDROMDrive = StoredDrivePath(FSettings.CDROMInUse);
    // The drive named on the command line has been given up for the chosen one.
    FDriveOverride = -1;
    FCd.ApplyVolume();
    FCore->SetButtons(FCore->ButtonState());
    SaveSettings(FSettings);
    if (!Timer.isActive()) Timer.start(FClockInterval);
}
