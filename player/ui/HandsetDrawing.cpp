// What the player core tells the handset to show: the strip, the LED display, the bars, the labels and
// the task-bar title; and the two dialogs it asks the user through.
#include <QGuiApplication>
#include <QProgressBar>
#include <QWindow>

#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "player/ui/DiscDataPanel.h"
#include "player/ui/Handset.h"
#include "player/ui/LedDisplay.h"
#include "player/ui/ModeDialog.h"
#include "player/ui/TrackChooser.h"
#include "player/ui/TrackStrip.h"

void TORB::ClearTrackStrip() {
    FStrip->imgTracksSetup();
}

void TORB::DrawTrackNumbers(int TrackCount, int Current) {
    FStrip->DrawTrackNumbers(TrackCount, Current);
}

void TORB::DrawTrackNumber(int Track, bool Selected) {
    FStrip->imgTrackNumber(Track, Selected);
}

void TORB::ShowDiscPicture() {
    FStrip->ShowBitmap();
}

void TORB::ClearDisplay() {
    FLed->SetDisplay();
}

void TORB::SetVolumeBars(int Left, int Right) {
    // A progress bar repaints itself only for a change it judges visible, which one volume step on a
    // 50-pixel bar is not; the steps would pile up unseen. Every change is drawn.
    for (auto [Bar, Value] : {std::pair{gLeft, Left}, std::pair{gRight, Right}}) {
        Bar->setValue(Value);
        Bar->update();
    }
}

void TORB::SetDiscLabels(const std::string& Name, const std::string& Track, const std::string& Composer,
                         const std::string& Artist) {
    DData->SetDisc(Name, Composer, Artist);
    DData->SetTrack(Track);
    ShowUnstoredMark();
}

void TORB::ShowDiscTexts() {
    if (FCatalogue.CurrentDiscCode.empty()) {
        DData->SetDisc({}, {}, {});
    } else {
        const TShownDisc Shown = FCatalogue.ShownTexts();
        DData->SetDisc(Shown.DiscName, Shown.Composer, Shown.Artist);
    }
    ShowUnstoredMark();
}

void TORB::ShowUnstoredMark() {
    const TShownDisc* Shown = FCatalogue.ShownNewDisc();
    const TShownSource Source = Shown ? Shown->Source : ssNone;
    DData->SetMark(ShownMark(Source), ShownMarkHint(Source));
}

void TORB::SetTrackLabel(const std::string& Track) {
    DData->SetTrack(Track);
}

void TORB::SetModeLine(const std::string& Text) {
    FLed->WriteLine(imgMode, QString::fromStdString(Text));
}

void TORB::SetTrackLine(const std::string& Text) {
    FLed->WriteLine(imgTrack, QString::fromStdString(Text));
}

void TORB::SetTimes(const std::string& Caption, TMinSec Elapsed, TMinSec Remaining) {
    FLed->WriteLine(imgTime, QString::fromStdString(Caption));
    const int Top = FLed->TimesTop();
    FLed->Out(FLed->ElapsedLeft(), Top, Elapsed);
    FLed->Out(FLed->RemainingLeft(), Top, Remaining);
}

// The status is the handset's own title, which the task bar shows; other windows keep their captions.
void TORB::SetApplicationTitle(const std::string& Title) {
    setWindowTitle(QString::fromStdString(Title));
}

void TORB::SetTimerEnabled(bool Enabled) {
    if (Enabled) {
        int Interval = FPlayJustStarted ? FClockInterval + PlayStartAllowance : FClockInterval;
        // An intro ends between two ticks: the tick comes just after its end instead, so the next intro
        // follows at once rather than up to a second later.
        if (FState.PlayMode == pmIntro && FCd.Playing && !FCd.Paused && FCd.IntroEnd != 0) {
            const int Frames = MSFToFrames(FCd.IntroEnd) - MSFToFrames(FState.DiscPosition);
            if (Frames > 0)
                Interval = std::min(Interval, Frames * 1000 / FramesPerSecond + IntroEndAllowance);
        }
        Timer.start(Interval);
        FPlayJustStarted = false;
    } else {
        Timer.stop();
    }
}

void TORB::SetTimerInterval(int Milliseconds) {
    FClockInterval = Milliseconds;
    Timer.setInterval(Milliseconds);
}

// The display shows whole seconds with the frames dropped. A clock that ticks at an arbitrary moment of
// the play's second, and a sound output that starts some milliseconds after the command, would show
// "00.00" for up to two seconds; after every play command the next tick comes a second and a little
// after it, so each tick falls just past a whole second of play.
void TORB::PlayStarted() {
    if (FClockInterval != ClockInterval) return; // recording: the fast clock stays as it is
    if (Timer.isActive())
        Timer.start(ClockInterval + PlayStartAllowance);
    else
        FPlayJustStarted = true; // inside a tick: the tick's end starts the clock
}

int TORB::WindowTop() const {
    return y();
}

int TORB::WindowLeft() const {
    return x();
}

bool TORB::ChooseMode(TPlayMode Current, TPlayMode& Chosen) {
    TfrmMode Dialog(this);
    Dialog.SetMode(Current);
    if (Dialog.exec() != QDialog::Accepted) return false;
    Chosen = Dialog.Mode(Current);
    return true;
}

int TORB::ChooseTrack(const std::vector<std::string>& Lines) {
    TfrmTracks Dialog(this);
    Dialog.SetLines(Lines);
    if (Dialog.exec() != QDialog::Accepted) return -1;
    return Dialog.SelectedIndex();
}
