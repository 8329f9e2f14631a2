// The small handset: switching to it and back with the disc playing on, ending the program from it, its
// two sizes and position kept in the settings file, and its once-a-second copy of the handset.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "HandsetRig.h"
#include "player/ui/SmallHandset.h"

namespace {

TPlayerSettings Stored() {
    TPlayerSettings Settings;
    LoadSettingsFrom(SettingsFileName(), Settings);
    return Settings;
}

// A handset showing the disc, switched to the small handset.
TfrmSmall* SwitchedToSmall(THandsetRig& Rig) {
    Rig.Handset->show();
    Rig.Tick();
    Rig.Handset->Small2Click();
    return Rig.Handset->SmallHandset();
}

} // namespace

class TSmallHandsetTest : public QObject {
    Q_OBJECT
private slots:
    void FullReturnsWithThePlayGoingOn() {
        THandsetRig Rig;
        TfrmSmall* Small = SwitchedToSmall(Rig);
        QVERIFY(Small && Small->isVisible());
        QVERIFY(!Rig.Handset->isVisible());
        QVERIFY(Rig.Flags.SmallHandsetActive);
        QVERIFY(Stored().StartWithSmallHandset);

        // Its buttons run the handset's commands; the handset's clock goes on while it is hidden.
        Small->findChild<QToolButton*>("btnPlay")->click();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        Rig.Tick();
        QVERIFY(Rig.Handset->Timer.isActive());
        // A second copy raises the small handset, not the hidden handset.
        Rig.Handset->RaiseHandset();
        QVERIFY(!Rig.Handset->isVisible());

        Small->findChild<QToolButton*>("btnFull")->click();
        QVERIFY(!Small->isVisible());
        QVERIFY(Rig.Handset->isVisible());
        QVERIFY(!Rig.Flags.SmallHandsetActive);
        QVERIFY(!Rig.Handset->CloseHandled());
        QVERIFY(!Stored().StartWithSmallHandset);
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        // The next tick does not switch again.
        Rig.Tick();
        QVERIFY(Rig.Handset->isVisible());
    }

    // The close box and the exit command (what log-out and kill run) both end the program with the
    // setting kept; the next start switches at the first tick that shows a disc.
    void EndingFromTheSmallHandsetKeepsItForTheNextStart() {
        for (const bool CloseBox : {true, false}) {
            THandsetRig Rig;
            TfrmSmall* Small = SwitchedToSmall(Rig);
            if (CloseBox)
                Small->close();
            else
                Rig.Handset->Exit1Click();
            QVERIFY(Rig.Handset->CloseHandled());
            QVERIFY(!Small->isVisible());
            QVERIFY(!Small->timS.isActive());
            QVERIFY(Stored().StartWithSmallHandset);
        }
        THandsetRig Next(THandsetRig::drSimulated,
                         [](TPlayerSettings& S) { S.StartWithSmallHandset = true; });
        Next.Handset->show();
        QVERIFY(!Next.Handset->SmallHandset());
        Next.Tick();
        QVERIFY(Next.Handset->SmallHandset() && Next.Handset->SmallHandset()->isVisible());
        QVERIFY(!Next.Handset->isVisible());
    }

    void TwoSizesAndTheToggleSavesEachTime() {
        for (const bool Tiny : {false, true}) {
            THandsetRig Rig(THandsetRig::drSimulated,
                            [Tiny](TPlayerSettings& S) { S.ShowTinyHandset = Tiny; });
            TfrmSmall* Small = SwitchedToSmall(Rig);
            const auto* Pan = Small->findChild<QFrame*>("Pan");
            const auto* Mix = Small->findChild<QToolButton*>("btnMix");
            QCOMPARE(Small->TinySize(), QSize(Mix->geometry().right() + 5, Mix->geometry().bottom() + 3));
            QCOMPARE(Small->SmallSize().height(), Pan->geometry().bottom() + 3);
            QVERIFY(Small->TinySize().height() <= Pan->y());
            for (const bool Want : {Tiny, !Tiny, Tiny}) {
                QCOMPARE(Small->size(), Want ? Small->TinySize() : Small->SmallSize());
                QCOMPARE(Stored().ShowTinyHandset, Want);
                Small->findChild<QToolButton*>("SpeedButton1")->click();
            }
        }
    }

    void MovedPositionIsSavedWithinASecond() {
        THandsetRig Rig;
        TfrmSmall* Small = SwitchedToSmall(Rig);
        Small->move(120, 90);
        QTRY_COMPARE_WITH_TIMEOUT(Stored().SmallLeft, 120, 1500);
        QCOMPARE(Stored().SmallTop, 90);
    }

    // Each switch opens it where it was, all of it on a screen; a place off every screen (as a
    // settings file from a larger desktop may hold) comes back onto one.
    void OpensWhereItWasOnAScreenAcrossShows() {
        const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const QPoint Place : {QPoint(120, 90), QPoint(Screen.right() + 50, -40)}) {
            THandsetRig Rig(THandsetRig::drSimulated, [Place](TPlayerSettings& S) {
                S.SmallLeft = Place.x();
                S.SmallTop = Place.y();
            });
            QPoint First;
            for (int Show = 0; Show < 3; ++Show) {
                TfrmSmall* Small = Show == 0 ? SwitchedToSmall(Rig)
                                             : (Rig.Handset->Small2Click(), Rig.Handset->SmallHandset());
                QVERIFY(QTest::qWaitForWindowExposed(Small));
                if (Show == 0) First = Small->frameGeometry().topLeft();
                QCOMPARE(Small->frameGeometry().topLeft(), First);
                QVERIFY(Screen.contains(Small->frameGeometry()));
                QCOMPARE(QPoint(Stored().SmallLeft, Stored().SmallTop), First);
                Small->findChild<QToolButton*>("btnFull")->click();
            }
            if (Place == QPoint(120, 90)) QCOMPARE(First, Place);
        }
    }

    void CopiesTheHandsetOnceASecond() {
        THandsetRig Rig;
        TfrmSmall* Small = SwitchedToSmall(Rig);
        QCOMPARE(Small->findChild<QLabel*>("labName")->text(), QStringLiteral("Disc: Unknown"));
        QCOMPARE(Small->windowTitle(), Rig.Handset->windowTitle());
        Rig.State.PlayMode = pmRandom;
        QTRY_COMPARE_WITH_TIMEOUT(Small->findChild<QLabel*>("Pan1")->text(), QStringLiteral("Mode: Random"),
                                  1500);

        QVERIFY(Small->findChild<QToolButton*>("btnPlay")->isEnabled());
        // Play pressed on the handset itself disables its Play button.
        Rig.Find<QToolButton>("btnPlay")->click();
        QVERIFY(!Rig.Find<QToolButton>("btnPlay")->isEnabled());
        for (const char* Name : {"btnPlay", "btnPlay1"})
            QTRY_VERIFY_WITH_TIMEOUT(!Small->findChild<QToolButton*>(Name)->isEnabled(), 1500);
        QVERIFY(!Small->findChild<QAction*>("Play1")->isEnabled());
        // A right click on the disabled button finds no child there: the window takes it and opens its menu.
        const QPoint Middle = Small->findChild<QToolButton*>("btnPlay")->geometry().center();
        QCOMPARE(Small->childAt(Middle), nullptr);
    }
};

QTEST_MAIN(TSmallHandsetTest)
#include "SmallHandsetTest.moc"
