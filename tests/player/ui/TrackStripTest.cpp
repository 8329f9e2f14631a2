// The track strip: cells and clicks, the right-click switch to the disc picture, and the picture's size.
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QTest>

#include "HandsetRig.h"
#include "player/ui/HandsetGeometry.h"
#include "player/ui/ImageControl.h"
#include "player/ui/TrackStrip.h"

namespace {

// Pixels of a cell written mostly in the given pure colour (the text is smoothed into the background).
int CountColour(const QImage& Image, QRect Area, QColor Colour) {
    int Count = 0;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X) {
            const QColor P = Image.pixelColor(X, Y);
            Count += std::abs(P.red() - Colour.red()) < 100 && std::abs(P.green() - Colour.green()) < 100 &&
                     std::abs(P.blue() - Colour.blue()) < 100 && P != QColor(Qt::black);
        }
    return Count;
}

} // namespace

class TTrackStripTest : public QObject {
    Q_OBJECT
private slots:
    void CellsAndClickMapping() {
        QCOMPARE(TrackAtPoint(1, 1), 1);
        QCOMPARE(TrackAtPoint(12, 12), 1);
        QCOMPARE(TrackAtPoint(13, 1), 2);
        QCOMPARE(TrackAtPoint(96, 1), 8);
        // The one-pixel column at the right edge belongs to the next row's first cell.
        QCOMPARE(TrackAtPoint(97, 1), 9);
        QCOMPARE(TrackAtPoint(97, 13), 17);
        QCOMPARE(TrackAtPoint(1, 13), 9);
        QCOMPARE(TrackCellRect(1), QRect(0, 0, 11, 12));
        QCOMPARE(TrackCellRect(8), QRect(84, 0, 11, 12));
        QCOMPARE(TrackCellRect(9), QRect(0, 12, 11, 12));
        QCOMPARE(TrackCellRect(57), QRect(0, 84, 11, 12));
    }

    void PictureScaling() {
        const QSize Panel(102, 90); // inner area 100 x 88
        // Larger: scaled by the smaller ratio, then cut to the strip in the other direction.
        QCOMPARE(PictureRect({400, 200}, Panel), QRect(1, 1, 100, 88));
        QCOMPARE(PictureRect({200, 44}, Panel), QRect(1, 1, 100, 88));
        QCOMPARE(PictureRect({100, 176}, Panel), QRect(1, 1, 100, 88));
        QCOMPARE(PictureRect({150, 88}, Panel), QRect(1, 1, 100, 88));
        // Smaller: its own size, centred.
        QCOMPARE(PictureRect({50, 40}, Panel), QRect(25, 24, 50, 40));
        QCOMPARE(PictureRect({99, 87}, Panel), QRect(1, 1, 99, 87));
        QCOMPARE(PictureRect({10, 88}, Panel), QRect(45, 1, 10, 88));
    }

    void ClicksGoToTracks() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        QVERIFY(Rig.Flags.DiscShown);
        auto* Strip = Rig.Find<TImageControl>("imgTracks");
        QCOMPARE(Strip->geometry(), QRect(1, 1, 98, 86));
        // Track 1 is current (selected colour), track 2 is not.
        const QImage& Numbers = Strip->Picture();
        QVERIFY(CountColour(Numbers, TrackCellRect(1), QColor(255, 0, 0)) > 3);
        QVERIFY(CountColour(Numbers, TrackCellRect(2), QColor(0, 255, 0)) > 3);
        QCOMPARE(CountColour(Numbers, TrackCellRect(13), QColor(0, 255, 0)), 0);

        // The right-edge column of the first row selects track 9.
        QTest::mouseClick(Strip, Qt::LeftButton, {}, QPoint(97, 5));
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 9);
        QTest::mouseClick(Strip, Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 3);
        // Beyond the last of 12 tracks nothing happens.
        const auto LogBefore = Rig.Drive->Log();
        const MSF Before = Rig.Cd.GetDiscPosition();
        QTest::mouseClick(Strip, Qt::LeftButton, {}, QPoint(60, 20)); // track 13
        QTest::mouseClick(Strip, Qt::LeftButton, {}, QPoint(50, 80)); // track 53
        QCOMPARE(Rig.Drive->Log(), LogBefore);
        QCOMPARE(Rig.Cd.GetDiscPosition(), Before);
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 3);
    }

    void TwoDigitNumbersKeepAGap() {
        THandsetRig Rig(THandsetRig::drSimulated, {}, RigDisc(56, 20));
        Rig.Handset->show();
        Rig.Tick();
        const QImage& Numbers = Rig.Find<TImageControl>("imgTracks")->Picture();
        const QColor Background = Numbers.pixelColor(TrackCellRect(1).topLeft());
        // Between the cells of two neighbours a column or two of background, on every row of numbers.
        for (int Track = 10; Track < 56; ++Track) {
            if (Track % TrackCellsPerRow == 0) continue;
            const QRect Cell = TrackCellRect(Track);
            for (int Y = Cell.top(); Y <= Cell.bottom(); ++Y)
                QVERIFY2(Numbers.pixelColor(Cell.left() + 11, Y) == Background,
                         qPrintable(QString("ink between %1 and %2").arg(Track).arg(Track + 1)));
        }
    }

    void RightClickSwitchesToThePicture() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        auto* Strip = Rig.Find<TImageControl>("imgTracks");
        QTest::mouseClick(Strip, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(!Rig.Flags.TrackListShown);
        // "general.bmp" (100 x 88) fills the strip.
        QCOMPARE(Strip->geometry(), QRect(1, 1, 100, 88));
        QVERIFY(!Strip->Picture().isNull());
        // A right click brings the numbers back; a left click on the picture still asks for a track.
        QTest::mouseClick(Strip, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(Rig.Flags.TrackListShown);
        QCOMPARE(Strip->geometry(), QRect(1, 1, 98, 86));
        QVERIFY(CountColour(Strip->Picture(), TrackCellRect(1), QColor(255, 0, 0)) > 3);
        // The middle button does nothing.
        QTest::mouseClick(Strip, Qt::MiddleButton, {}, QPoint(5, 5));
        QVERIFY(Rig.Flags.TrackListShown);
    }

    // "Small fonts" is not installed: the numbers fall back to an installed font of at least 9 pixels
    // and are drawn in pure colours, not smoothed into the black; a font the user has is kept.
    void NumbersReadClearlyWithoutTheDefaultFont() {
        TPlayerSettings Settings;
        QVERIFY(!QFontDatabase::hasFamily(QString::fromStdString(Settings.TrackWindowFontName)));
        const QFont Fallback = TrackStripFont(Settings);
        QVERIFY(QFontInfo(Fallback).pixelSize() >= 9);

        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        const QImage& Numbers = Rig.Find<TImageControl>("imgTracks")->Picture();
        for (int Track : {1, 2, 10}) {
            const QRect Cell = TrackCellRect(Track);
            int Ink = 0;
            for (int Y = Cell.top(); Y <= Cell.bottom(); ++Y)
                for (int X = Cell.left(); X <= Cell.right(); ++X) {
                    const QColor P = Numbers.pixelColor(X, Y);
                    QVERIFY2(P == Qt::black || P == Qt::red || P == Qt::green,
                             qPrintable(QString("track %1 at %2,%3").arg(Track).arg(X).arg(Y)));
                    Ink += P != Qt::black;
                }
            QVERIFY(Ink >= 8);
        }

        Settings.TrackWindowFontName = QFontDatabase::families().front().toStdString();
        Settings.TrackWindowFontSize = 20;
        const QFont Chosen = TrackStripFont(Settings);
        QCOMPARE(Chosen.family(), QFontDatabase::families().front());
        QCOMPARE(Chosen.pointSize(), 20);
    }

    void DiscPictureSmallAndUnreadable() {
        THandsetRig Rig;
        QImage Small(40, 30, QImage::Format_RGB32);
        Small.fill(Qt::blue);
        QVERIFY(Small.save(QString::fromStdString(Rig.Home.File("disc.bmp")), "BMP"));
        Rig.Handset->Strip().ShowBitmap();
        auto* Strip = Rig.Find<TImageControl>("imgTracks");
        QCOMPARE(Strip->geometry(), QRect(30, 29, 40, 30));
        QCOMPARE(Strip->Picture().pixelColor(5, 5), QColor(Qt::blue));
        // A damaged picture is shown as a disc without one.
        QFile Damaged(QString::fromStdString(Rig.Home.File("disc.bmp")));
        QVERIFY(Damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Damaged.write("BM not really a bitmap");
        Damaged.close();
        Rig.Handset->Strip().ShowBitmap();
        QCOMPARE(Strip->geometry(), QRect(1, 1, 100, 88));
        QVERIFY(Rig.Answers.Errors.empty());
    }
};

QTEST_MAIN(TTrackStripTest)
#include "TrackStripTest.moc"
