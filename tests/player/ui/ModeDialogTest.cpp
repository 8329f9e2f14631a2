// The play mode dialog and the track chooser, shown modally by the handset for the player core.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "HandsetRig.h"
#include "player/ui/ModeDialog.h"
#include "player/ui/TrackChooser.h"

namespace {

// Presses a button of the next modal dialog once it is shown, after Prepare has set it up.
void AnswerNextDialog(const char* Button, std::function<void(QWidget*)> Prepare = {}) {
    QTimer::singleShot(0, [Button, Prepare] {
        QWidget* Dialog = QApplication::activeModalWidget();
        if (!Dialog) return;
        if (Prepare) Prepare(Dialog);
        Dialog->findChild<QPushButton*>(QString::fromLatin1(Button))->click();
    });
}

} // namespace

class TModeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void OpensInTheMiddleOfTheScreen() {
        QWidget Owner;
        Owner.setGeometry(10, 10, 200, 100);
        Owner.show();
        TfrmMode Dialog(&Owner);
        Dialog.show();
        const QPoint Middle = Dialog.screen()->availableGeometry().center();
        QVERIFY((Dialog.frameGeometry().center() - Middle).manhattanLength() <= 2);
    }

    void ChecksTheCurrentMode() {
        TfrmMode Dialog;
        QCOMPARE(Dialog.windowTitle(), QStringLiteral("CD play mode"));
        Dialog.SetMode(pmIntro);
        QVERIFY(Dialog.findChild<QRadioButton*>("BtnIntro")->isChecked());
        QCOMPARE(Dialog.Mode(pmDisc), pmIntro);
        Dialog.findChild<QRadioButton*>("btnCustom")->setChecked(true);
        QCOMPARE(Dialog.Mode(pmDisc), pmCustom);
        // The mode without a button leaves every choice clear.
        TfrmMode Random;
        Random.SetMode(pmRandom);
        for (QRadioButton* Choice : Random.findChildren<QRadioButton*>())
            QVERIFY(!Choice->isChecked());
        QCOMPARE(Random.Mode(pmRandom), pmRandom);
        QCOMPARE(Random.findChild<QRadioButton*>("btnShuffle")->text(), QStringLiteral("&Shuffle tracks"));
    }

    void ModeDialogThroughTheHandset() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        AnswerNextDialog("btnOK",
                         [](QWidget* D) { D->findChild<QRadioButton*>("BtnTrack")->setChecked(true); });
        Rig.Handset->Core().btnModeClick();
        QCOMPARE(Rig.State.PlayMode, pmTrack);
        AnswerNextDialog("btnCancel",
                         [](QWidget* D) { D->findChild<QRadioButton*>("btnShuffle")->setChecked(true); });
        Rig.Handset->Core().btnModeClick();
        QCOMPARE(Rig.State.PlayMode, pmTrack);
    }

    void TrackChooserGoesToTheChosenTrack() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        AnswerNextDialog("btnOK", [](QWidget* D) {
            auto* List = D->findChild<QListWidget*>("lstTracks");
            QCOMPARE(D->windowTitle(), QStringLiteral("Goto selected track"));
            QCOMPARE(List->count(), 12);
            QVERIFY(List->item(4)->text().startsWith(" 5"));
            List->setCurrentRow(4);
        });
        Rig.Handset->Core().btnTrackClick();
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 5);
        AnswerNextDialog("btnCancel",
                         [](QWidget* D) { D->findChild<QListWidget*>("lstTracks")->setCurrentRow(8); });
        Rig.Handset->Core().btnTrackClick();
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 5);
    }

    // Nothing is chosen when the chooser opens; OK then says so and leaves the chooser open.
    void TrackChooserOkWithoutATrack() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        bool StayedOpen = false;
        AnswerNextDialog("btnCancel", [&StayedOpen](QWidget* D) {
            D->findChild<QPushButton*>("btnOK")->click();
            StayedOpen = D->isVisible();
        });
        Rig.Handset->Core().btnTrackClick();
        QVERIFY(StayedOpen);
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        QCOMPARE(Rig.Answers.Errors.front(),
                 std::string("No track selected.  Please select a track before clicking [OK]."));
        QCOMPARE(Rig.Cd.GetCurrentTrack(), 1);
    }
};

QTEST_MAIN(TModeDialogTest)
#include "ModeDialogTest.moc"
