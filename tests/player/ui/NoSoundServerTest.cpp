// The handset on a desktop without a sound server: the wave device's error is shown once at the first
// show and the two sample buttons stay disabled; the disc still plays on the silent clock.
#include <QApplication>
#include <QTest>
#include <QToolButton>

#include "HandsetRig.h"

class TNoSoundServerTest : public QObject {
    Q_OBJECT
private slots:
    void ErrorShownOnceAndSampleButtonsDisabled() {
        THandsetRig Rig(THandsetRig::drSimulated, {}, RigDisc(12, 180), false, TSoundOutputFactory{});
        Rig.Handset->show();
        Rig.Tick();
        QCOMPARE(Rig.Answers.Errors, std::vector<std::string>{"No sound output could be opened."});
        QVERIFY(!Rig.Find<QToolButton>("btnSample")->isEnabled());
        QVERIFY(!Rig.Find<QToolButton>("btnPlaySamp")->isEnabled());
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Tick();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        // Still disabled with the disc playing, and said only once.
        QVERIFY(!Rig.Find<QToolButton>("btnSample")->isEnabled());
        Rig.Handset->hide();
        Rig.Handset->show();
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
    }
};

int main(int argc, char* argv[]) {
    // No sound server to be found, and none started on demand.
    qputenv("PULSE_SERVER", "unix:/nonexistent/orbelune-test/native");
    qunsetenv("ORBELUNE_AUDIO");
    QApplication App(argc, argv);
    TNoSoundServerTest Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "NoSoundServerTest.moc"
