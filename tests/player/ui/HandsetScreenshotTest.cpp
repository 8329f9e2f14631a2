// The handset playing the demo disc, rendered to "handset.png" in the build folder for a reviewer.
#include <QTest>

#include "HandsetRig.h"
#include <QLabel>

#include "player/ui/DiscDataPanel.h"
#include "player/ui/ImageControl.h"

class THandsetScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void PlayingDemoDisc() {
        THandsetRig Rig(THandsetRig::drProgram, {}, {}, /*AutoPlaySwitch=*/true);
        Rig.Handset->show();
        QVERIFY2(Rig.Cd.CDOpen, "the demo disc should open as drive 0");
        QTRY_VERIFY_WITH_TIMEOUT(Rig.Flags.DiscShown, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(Rig.Cd.GetCDMode(), cmPlaying, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Rig.State.TrackElapsed >= 0.02, 8000);
        QVERIFY(Rig.Handset->windowTitle().startsWith("ORB [1] 00.0"));
        // A disc the catalogue does not know yet shows the name its CD-TEXT gives.
        QCOMPARE(Rig.Find<QLabel>("labName")->text(), QStringLiteral("Demo Disc"));

        const QImage Shot = Rig.Handset->grab().toImage();
        const QByteArray Build = qgetenv("ORBELUNE_BUILD");
        const QString Target =
            (Build.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(Build)) + "/handset.png";
        QVERIFY(Shot.save(Target));
        // The LED display shows lit segments on its dark background.
        const QImage Led = Rig.Find<TImageControl>("Display")->Picture();
        int Lit = 0;
        for (int Y = 20; Y < 39; ++Y)
            for (int X = 0; X < 120; ++X)
                Lit += Led.pixelColor(X, Y) == QColor(Qt::green);
        QVERIFY(Lit > 50);
    }
};

QTEST_MAIN(THandsetScreenshotTest)
#include "HandsetScreenshotTest.moc"
