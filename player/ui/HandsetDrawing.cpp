// What the player core tells the handset to show: the strip, the LED display, the bars, the labels and
// the task-bar title; and the two dialogs it asks the user through.
#include <QGuiApplication>
#include <QProgressBar>
#include <QWindow>

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
    gLeft->setValue(Left);
    gRight->setValue(Right);
}

void TORB::SetDiscLabels(const std::string& Name, const std::string& Track, const std::string& Composer,
                         const std::string& Artist) {
    DData->SetDisc(Name, Composer, Artist);
    DData->SetTrack(Track);
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
    FLed->Out(0, Top, Elapsed);
    FLed->Out(65, Top, Remaining);
}

void TORB::SetApplicationTitle(const std::string& Title) {
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(Title));
    // A shown window keeps its old title until it is set again.
    if (QWindow* Handle = windowHandle()) Handle->setTitle(windowTitle());
}

void TORB::SetTimerEnabled(bool Enabled) {
    if (Enabled)
        Timer.start();
    else
        Timer.stop();
}

void TORB::SetTimerInterval(int Milliseconds) {
    Timer.setInterval(Milliseconds);
}

int TORB::WindowTop() const {
    return y();
}

int TORB::WindowLeft() const {
    return x();
}

void TORB::SwitchToSmallHandset() {
    // The small handset is not part of this window; until it is attached the handset stays.
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
