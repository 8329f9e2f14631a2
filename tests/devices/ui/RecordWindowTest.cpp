// The recording window from the handset's sample button: its enabled rules with and without a bookmark,
// and a recording of the demo disc that goes on while the handset runs and is kept with the disc.
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <filesystem>

#include "devices/ui/RecordWindow.h"
#include "player/PlayerCore.h"
#include "player/ui/HandsetRig.h"

class TRecordWindowTest : public QObject {
    Q_OBJECT

    // Shows the recording window with the sample button and runs Act on it while it is open.
    static void WithWindow(THandsetRig& Rig, const std::function<void(TfrmRecord*)>& Act) {
        bool Ran = false;
        QTimer::singleShot(0, [&] {
            auto* Window = qobject_cast<TfrmRecord*>(QApplication::activeModalWidget());
            QVERIFY(Window);
            Act(Window);
            Ran = true;
            if (Window->isVisible()) Window->reject();
        });
        Rig.Find<QToolButton>("btnSample")->click();
        QVERIFY(Ran);
    }

private slots:
    void EnabledRulesFollowTheBookmark() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        QCOMPARE(Rig.Handset->findChildren<TfrmRecord*>().size(), 1);
        QVERIFY(Rig.Find<QToolButton>("btnSample")->isEnabled());
        WithWindow(Rig, [](TfrmRecord* W) {
            QCOMPARE(W->windowTitle(), QStringLiteral("Recording options"));
            for (QWidget* Off : std::initializer_list<QWidget*>{W->rbBook, W->btnAdjust, W->btnPrev})
                QVERIFY(!Off->isEnabled());
            QVERIFY(W->rbTracks->isChecked());
            const TRecordFormat F = W->ChosenFormat();
            QCOMPARE(F.Rate, 11025);
            QCOMPARE(F.Bits, 8);
            QCOMPARE(F.Channels, 1);
            for (QRadioButton* Rate : {W->rb40, W->rb55, W->rb8, W->rb11, W->rb22, W->rb44})
                QVERIFY(Rate->isEnabled());
        });
        Rig.State.BookmarkStart = MakeMSF(0, 4, 0);
        Rig.State.BookmarkEnd = MakeMSF(0, 9, 0);
        WithWindow(Rig, [](TfrmRecord* W) {
            for (QWidget* On : std::initializer_list<QWidget*>{W->rbBook, W->btnAdjust, W->btnPrev})
                QVERIFY(On->isEnabled());
            QVERIFY(W->rbBook->isChecked());
        });
    }

    void RecordingRunsBesideTheHandsetAndIsKept() {
        THandsetRig Rig(THandsetRig::drProgram, [](TPlayerSettings& S) { S.IntroTime = 0.01; });
        Rig.Handset->show();
        QTRY_VERIFY_WITH_TIMEOUT(Rig.Flags.DiscShown, 5000);
        WithWindow(Rig, [](TfrmRecord* W) {
            W->rb22->setChecked(true);
            W->rbStereo->setChecked(true);
            W->btnStart->click();
        });
        QVERIFY(Rig.State.Recording);
        QCOMPARE(Rig.Handset->Timer.interval(), RecordingClockInterval);
        // The handset goes on: the clock ticks, the display follows the play into track 2.
        QTRY_COMPARE_WITH_TIMEOUT(Rig.State.CurrentTrack, 2, 5000);
        QVERIFY(Rig.Find<QToolButton>("btnStop")->isEnabled());
        Rig.Answers.Answers.push_back(idYes);
        Rig.Find<QToolButton>("btnStop")->click(); // ends the recording with what was heard
        QVERIFY(!Rig.State.Recording);
        QCOMPARE(Rig.Answers.Questions.back(), std::string(msgSaveAsDiscSample));
        QCOMPARE(Rig.Handset->Timer.interval(), ClockInterval);
        QVERIFY(Rig.Catalogue.CurrentDiscRecNo > 0);
        QVERIFY(Rig.Catalogue.CurrentDisc.SampleRef != 0);
        QVERIFY(!std::filesystem::exists(Rig.Home.File("$temp.wav")));
        QVERIFY(Rig.Answers.Errors.empty());
    }
};

QTEST_MAIN(TRecordWindowTest)
#include "RecordWindowTest.moc"
