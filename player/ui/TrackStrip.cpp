#include "player/ui/TrackStrip.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidget>

#include "app/base/ColourValues.h"
#include "app/ui/ProgramPictures.h"
#include "player/ui/HandsetGeometry.h"
#include "player/ui/ImageControl.h"

QFont TrackStripFont(const TPlayerSettings& Settings) {
    QFont Font(QString::fromStdString(Settings.TrackWindowFontName));
    Font.setPointSize(std::max(Settings.TrackWindowFontSize, 1));
    if (!QFontDatabase::hasFamily(Font.family())) {
        const int Pixels = QFontInfo(Font).pixelSize();
        Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        Font.setPixelSize(std::max(Pixels, 9));
    }
    if (QFontInfo(Font).pixelSize() < 12) Font.setStyleStrategy(QFont::NoAntialias);
    return Font;
}

TTrackStrip::TTrackStrip(const TPlayerSettings& Settings, THandsetFlags& Flags, QWidget* ImgPanel,
                         TImageControl* imgTracks)
    : FSettings(Settings), FFlags(Flags), FPanel(ImgPanel), FImage(imgTracks) {
    connect(FImage, &TImageControl::MouseDown, this, &TTrackStrip::imgTracksMouseDown);
    FImage->installEventFilter(this);
}

bool TTrackStrip::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != FImage || Event->type() != QEvent::ToolTip || !FFlags.TrackListShown || !TrackName)
        return QObject::eventFilter(Watched, Event);
    const auto* Help = static_cast<QHelpEvent*>(Event);
    const int Track = TrackAtPoint(Help->pos().x(), Help->pos().y());
    const std::string Name =
        Track >= 1 && TrackCount && Track <= TrackCount() ? TrackName(Track) : std::string();
    // A track without a name, or a cell beyond the last track, keeps the strip's own hint.
    if (Name.find_first_not_of(' ') == std::string::npos) return QObject::eventFilter(Watched, Event);
    QToolTip::showText(Help->globalPos(),
                       QStringLiteral("%1. %2").arg(Track).arg(QString::fromStdString(Name)), FImage);
    return true;
}

void TTrackStrip::imgTracksSetup() {
    FImage->ClearPicture();
    FImage->SetBounds(1, 1, 98, 86);
    if (FFlags.TrackListShown) FImage->FillPicture(ColorToQColor(FSettings.TrackWindowBackground));
}

void TTrackStrip::imgTrackNumber(int Track, bool Selected) {
    QImage& Picture = FImage->Picture();
    if (Track < 1 || Picture.isNull()) return;
    const QRect Cell = TrackCellRect(Track);
    QPainter Painter(&Picture);
    Painter.fillRect(Cell, ColorToQColor(FSettings.TrackWindowBackground));
    const QFont Font = TrackStripFont(FSettings);
    Painter.setFont(Font);
    Painter.setPen(
        ColorToQColor(Selected ? FSettings.TrackWindowSelectedColor : FSettings.TrackWindowFontColor));
    const QString Text = QString::number(Track);
    const QFontMetrics Metrics(Font);
    // A number wider than its cell less a gap is drawn narrower, so two-digit neighbours never run
    // together ("55 56", not "5556").
    constexpr int MaxWidth = TrackCellSize - 2;
    const int Width = Metrics.horizontalAdvance(Text);
    const int Right = Cell.left() + 11;
    Painter.setClipRect(Right - MaxWidth, Cell.top(), MaxWidth, Cell.height());
    if (Width > MaxWidth) {
        Painter.translate(Right, 0);
        Painter.scale(static_cast<double>(MaxWidth) / Width, 1.0);
        Painter.drawText(-Width, Cell.top() + 2 + Metrics.ascent(), Text);
    } else {
        Painter.drawText(Right - Width, Cell.top() + 2 + Metrics.ascent(), Text);
    }
    FImage->update();
}

void TTrackStrip::DrawTrackNumbers(int TrackCount, int Current) {
    for (int Track = 1; Track <= TrackCount; ++Track)
        imgTrackNumber(Track, Track == Current);
}

void TTrackStrip::ShowBitmap() {
    if (ExtractDiscPicture) ExtractDiscPicture();
    const std::string Dir = ProgramDir();
    QImage Bitmap = LoadPictureFile(Dir + "disc.bmp");
    // A picture that cannot be read is shown as a disc without one.
    if (Bitmap.isNull()) Bitmap = LoadPictureFile(Dir + "general.bmp");
    if (Bitmap.isNull()) Bitmap.load(QStringLiteral(":/general.bmp"));
    const QRect Place = PictureRect(Bitmap.size(), FPanel->size());
    FImage->SetBounds(Place.left(), Place.top(), Place.width(), Place.height());
    FImage->SetPicture(Bitmap.scaled(Place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void TTrackStrip::imgTracksMouseDown(Qt::MouseButton Button, QPoint Position) {
    if (Button == Qt::LeftButton) {
        emit TrackClicked(TrackAtPoint(Position.x(), Position.y()));
    } else if (Button == Qt::RightButton) {
        FFlags.TrackListShown = !FFlags.TrackListShown;
        imgTracksSetup();
        if (FFlags.TrackListShown)
            DrawTrackNumbers(TrackCount ? TrackCount() : 0, CurrentTrack ? CurrentTrack() : 0);
        else
            ShowBitmap();
    }
}
