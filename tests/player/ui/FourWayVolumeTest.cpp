// The four-way volume control: its regions, held repeat, limits, the centre, and its drawing.
#include <QProgressBar>
#include <QTest>

#include "HandsetRig.h"
#include "app/base/ColourValues.h"
#include "player/ui/FourWayVolume.h"
#include "player/ui/HandsetGeometry.h"
#include "player/ui/ImageControl.h"

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* Widget) { Widget->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Paint) ++Count;
        return false;
    }
};

} // namespace

class TFourWayVolumeTest : public QObject {
    Q_OBJECT
private slots:
    void BarsRedrawForEveryStep() {
        THandsetRig Rig;
        Rig.Handset->show();
        QVERIFY(QTest::qWaitForWindowExposed(Rig.Handset.get()));
        auto* Bar = Rig.Find<QProgressBar>("gLeft");
        TPaintCounter Paints(Bar);
        QCoreApplication::processEvents();
        for (int Step = 1; Step <= 3; ++Step) {
            Paints.Count = 0;
            Rig.Handset->FourWay().IncreaseVolume(true, true);
            QCoreApplication::processEvents();
            QVERIFY2(Paints.Count > 0, "one volume step is drawn at once");
            QCOMPARE(Bar->value(), Rig.Settings.VolumeLeft);
        }
    }

    void RegionsAtTheirBorders() {
        // Centre: |dx|, |dy| <= 4 and |dx| + |dy| <= 5.
        QCOMPARE(FourWayHitTest(14, 14), fwCentre);
        QCOMPARE(FourWayHitTest(14, 10), fwCentre);
        QCOMPARE(FourWayHitTest(18, 15), fwCentre);
        QCOMPARE(FourWayHitTest(18, 16), fwRight);
        QCOMPARE(FourWayHitTest(14, 9), fwUp);
        QCOMPARE(FourWayHitTest(10, 18), fwDown);
        // Arrows: centre +-7, |dx| + |dy| <= 8; up wins where it meets the others.
        QCOMPARE(FourWayHitTest(14, 0), fwUp);
        QCOMPARE(FourWayHitTest(21, 7), fwUp);
        QCOMPARE(FourWayHitTest(21, 8), fwUp);
        QCOMPARE(FourWayHitTest(22, 8), fwRight);
        QCOMPARE(FourWayHitTest(7, 21), fwDown);
        QCOMPARE(FourWayHitTest(0, 14), fwLeft);
        QCOMPARE(FourWayHitTest(0, 13), fwLeft);
        QCOMPARE(FourWayHitTest(0, 12), fwNone);
        QCOMPARE(FourWayHitTest(28, 14), fwRight);
        QCOMPARE(FourWayHitTest(29, 14), fwNone);
        QCOMPARE(FourWayHitTest(0, 0), fwNone);
        QCOMPARE(FourWayHitTest(29, 29), fwNone);
        QCOMPARE(FourWayHitTest(14, 28), fwDown);
        QCOMPARE(FourWayHitTest(14, 29), fwNone);
    }

    void StepsStayInRange() {
        int Volume = 0;
        for (int Step = 1; Step <= 100; ++Step)
            Volume = VolumeIncreased(Volume);
        QCOMPARE(Volume, 65300);
        QCOMPARE(VolumeIncreased(Volume), 65535);
        QCOMPARE(VolumeIncreased(65535), 65535);
        QCOMPARE(VolumeDecreased(600), 0);
        QCOMPARE(VolumeDecreased(0), 0);
    }

    void HoldingUpRepeatsToTheTop() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.VolumeLeft = S.VolumeRight = 0;
            S.VolumeDelay = 5;
            S.VolumeInterval = 1;
        });
        Rig.Handset->show();
        auto* Control = Rig.Find<TImageControl>("iFourWay");
        QVERIFY(Control->isVisible());
        QCOMPARE(Control->geometry(), QRect(5, 56, 30, 30));
        TFourWayVolume& Volume = Rig.Handset->FourWay();
        int Steps = 0;
        Volume.OnVolumeChanged = [&] {
            ++Steps;
            QVERIFY(Rig.Settings.VolumeLeft >= 0 && Rig.Settings.VolumeLeft <= 65535);
        };
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(14, 3));
        QCOMPARE(Rig.Settings.VolumeLeft, 653);
        QVERIFY(Volume.VolumeUpHeld);
        QTRY_COMPARE_WITH_TIMEOUT(Rig.Settings.VolumeLeft, 65535, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Steps > 101, 5000);
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(14, 3));
        QVERIFY(!Volume.tmrVolume.isActive());
        QVERIFY(!Volume.VolumeUpHeld);
        QCOMPARE(Rig.Settings.VolumeRight, 65535);
        // The release keeps the volume with the disc in the drive.
        QCOMPARE(Rig.Catalogue.CurrentDisc.VolumeLeft, 65535);
    }

    void HeldStepsExactly() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.VolumeLeft = S.VolumeRight = 0;
            S.VolumeDelay = 100000; // the test steps the timer itself
        });
        TFourWayVolume& Volume = Rig.Handset->FourWay();
        auto* Control = Rig.Find<TImageControl>("iFourWay");
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(14, 3));
        for (int Step = 2; Step <= 100; ++Step)
            Volume.tmrVolumeTimer();
        QCOMPARE(Rig.Settings.VolumeLeft, 65300);
        Volume.tmrVolumeTimer();
        QCOMPARE(Rig.Settings.VolumeLeft, 65535);
        QCOMPARE(Rig.Find<QProgressBar>("gLeft")->value(), 65535);
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(14, 3));
        // Down to the floor, never below it.
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(14, 26));
        for (int Step = 0; Step < 120; ++Step)
            Volume.tmrVolumeTimer();
        QCOMPARE(Rig.Settings.VolumeLeft, 0);
        QCOMPARE(Rig.Settings.VolumeRight, 0);
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(14, 26));
        // Left and right change one channel each.
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(2, 14));
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(2, 14));
        QCOMPARE(Rig.Settings.VolumeLeft, 653);
        QCOMPARE(Rig.Settings.VolumeRight, 0);
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(26, 14));
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(26, 14));
        QCOMPARE(Rig.Settings.VolumeRight, 653);
    }

    void CentreEqualisesWithoutRepeating() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.VolumeLeft = 1000;
            S.VolumeRight = 5000;
            S.VolumeDelay = 100000;
        });
        Rig.Handset->show();
        auto* Control = Rig.Find<TImageControl>("iFourWay");
        QTest::mousePress(Control, Qt::LeftButton, {}, QPoint(14, 14));
        QCOMPARE(Rig.Settings.VolumeRight, 1000);
        QCOMPARE(Rig.Find<QProgressBar>("gRight")->value(), 1000);
        Rig.Handset->FourWay().tmrVolumeTimer();
        QCOMPARE(Rig.Settings.VolumeLeft, 1000);
        QCOMPARE(Rig.Settings.VolumeRight, 1000);
        // The drive plays at the new volume.
        QCOMPARE(Rig.Drive->VolumeRight(), 1000);
        QTest::mouseRelease(Control, Qt::LeftButton, {}, QPoint(14, 14));
        // A right click changes nothing.
        QTest::mousePress(Control, Qt::RightButton, {}, QPoint(14, 3));
        QCOMPARE(Rig.Settings.VolumeLeft, 1000);
    }

    void PressedPartIsDrawnSunken() {
        QImage Picture(30, 30, QImage::Format_RGB32);
        Picture.fill(Qt::black);
        const QRgb Face = ColorToQColor(clBtnFace).rgb();
        const QRgb Shadow = ColorToQColor(static_cast<TColor>(0x80000010)).rgb();
        const QRgb White = qRgb(255, 255, 255);
        DrawFourWayPart(Picture, 1, false);
        QCOMPARE(Picture.pixel(14, 5), Face);
        QCOMPARE(Picture.pixel(10, 4), White); // lit edge, two pixels wide
        QCOMPARE(Picture.pixel(11, 4), White);
        QCOMPARE(Picture.pixel(17, 3), Shadow);       // shadow edge
        QCOMPARE(Picture.pixel(9, 9), qRgb(0, 0, 0)); // dark inner edge
        DrawFourWayPart(Picture, 1, true);
        QCOMPARE(Picture.pixel(14, 5), Shadow);
        QCOMPARE(Picture.pixel(10, 4), Shadow);
    }
};

QTEST_MAIN(TFourWayVolumeTest)
#include "FourWayVolumeTest.moc"
