// The desktop's media-player commands on a handset, without a bus: a request the player cannot carry
// out is answered with its reason and shows nothing, and a loop status set and taken back leaves the
// play as it was.
#include <QApplication>
#include <QTest>

#include "HandsetRig.h"
#include "player/ui/MprisPlayer.h"

class TMprisPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void MissingDriveIsRefusedWithoutAMessageBox() {
        THandsetRig Rig;
        TMprisPlayer Mpris(Rig.Settings, Rig.State, Rig.Cd, Rig.Catalogue);
        Rig.Handset->show();
        Mpris.Attach(*Rig.Handset);
        Rig.Tick();
        const std::size_t Drives = VirtualDrives().size();
        const TMprisRefusal Refused = Mpris.OpenUri(QStringLiteral("cdda://orbelune-no-such-drive/"));
        QCOMPARE(Refused.Kind, TMprisRefusal::Failed);
        QVERIFY2(Refused.Text.contains(QStringLiteral("/dev/orbelune-no-such-drive")),
                 qPrintable(Refused.Text));
        QTest::qWait(50);
        QCOMPARE(Rig.Answers.Errors, std::vector<std::string>{});
        QVERIFY(Rig.Cd.CDOpen);
        QCOMPARE(VirtualDrives().size(), Drives);
        QCOMPARE(Mpris.OpenUri(QStringLiteral("http://example.org/disc.cue")).Kind,
                 TMprisRefusal::BadArgument);
    }

    void LoopTrackThenNoneGoesBackToTheModeBefore() {
        THandsetRig Rig;
        TMprisPlayer Mpris(Rig.Settings, Rig.State, Rig.Cd, Rig.Catalogue);
        Rig.Handset->show();
        Mpris.Attach(*Rig.Handset);
        Rig.Tick();
        QCOMPARE(Rig.State.PlayMode, pmDisc);
        QVERIFY(Mpris.SetLoopStatus(QStringLiteral("Track")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(Rig.State.PlayMode, pmTrack, 5000);
        QVERIFY(Rig.State.RepeatOn);
        QVERIFY(Mpris.SetLoopStatus(QStringLiteral("None")).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!Rig.State.RepeatOn, 5000);
        QCOMPARE(Rig.State.PlayMode, pmDisc);
        QCOMPARE(Mpris.LoopStatus(), QStringLiteral("None"));
    }
};

int main(int argc, char* argv[]) {
    QApplication App(argc, argv);
    TMprisPlayerTest Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "MprisPlayerTest.moc"
