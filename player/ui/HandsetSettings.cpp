// The settings command: the settings dialog, and the handset drawn again in the new colours and fonts.
#include <QFileInfo>
#include <QProgressBar>

#include "app/base/ColourValues.h"
#include "devices/MessageBoxes.h"
#include "dialogs/SettingsDialog.h"
#include "player/ui/FourWayVolume.h"
#include "player/ui/Handset.h"
#include "player/ui/LedDisplay.h"
#include "player/ui/TrackStrip.h"

void TORB::ApplyColours() {
    QPalette Palette = FClient->palette();
    Palette.setColor(QPalette::Window, ColorToQColor(FSettings.HandsetBackground));
    FClient->setPalette(Palette);
    FClient->setAutoFillBackground(true);
    QPalette VolumePalette = panVolume->palette();
    VolumePalette.setColor(QPalette::Window, ColorToQColor(FSettings.VolumeDisplayBackground));
    panVolume->setPalette(VolumePalette);
    panVolume->setAutoFillBackground(true);
    const QString BarStyle = QStringLiteral("QProgressBar { background: %1; border: none; }"
                                            "QProgressBar::chunk { background: %2; }")
                                 .arg(ColorToQColor(FSettings.VolumeBarBackground).name(),
                                      ColorToQColor(FSettings.VolumeBarForeground).name());
    gLeft->setStyleSheet(BarStyle);
    gRight->setStyleSheet(BarStyle);
}

void TORB::ConfigureOrbelune1Click() {
    Tfrmconf Dialog(FSettings, this);
    if (Dialog.exec() != QDialog::Accepted) return;
    Dialog.GetSettings(FSettings);
    if (!SaveSettings(FSettings))
        ShowError("The settings file " + SettingsFileName() + " cannot be written.");

    SetDisplay();
    FLed->DrawAllDigits();
    SetBitmapButtons();
    FStrip->imgTracksSetup();
    if (!FFlags.TrackListShown)
        FStrip->ShowBitmap();
    else if (FFlags.DiscShown)
        FStrip->DrawTrackNumbers(FStrip->TrackCount(), FStrip->CurrentTrack());

    ApplyColours();
    SetVolumeBars(FSettings.VolumeLeft, FSettings.VolumeRight);
    FFourWay->iFourWayDraw();

    // A picture that has gone or cannot be read leaves the old one in place.
    const QString Background = QString::fromStdString(FSettings.BackgroundBitmap);
    if (FSettings.UseBackgroundBitmap && QFileInfo::exists(Background)) {
        QImage Picture(Background);
        if (!Picture.isNull()) FBackgroundImage = Picture;
    }
    update();
    FClient->update();
}
