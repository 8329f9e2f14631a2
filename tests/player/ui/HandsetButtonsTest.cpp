// The handset's buttons: the three enabled-state combinations with the door open and shut, the colour
// and mono glyphs, the repeat LED, the hidden accelerator buttons and the held skip.
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "HandsetRig.h"
#include "player/ui/HandsetMenu.h"

namespace {

struct TExpectation {
    const char* Name;
    bool NoDisc, Stopped, Playing;
};

// The buttons and menu items of each group, on or off in the three states.
const TExpectation Expected[] = {
    {"btnPlay", false, true, false},
    {"Play1", false, true, false},
    {"btnMode", false, true, false},
    {"Modeofplay1", false, true, false},
    {"btnStop", false, false, true},
    {"Stop1", false, false, true},
    {"btnBeg", false, false, true},
    {"btnPause", false, false, true},
    {"Pause1", false, false, true},
    {"btnBack", false, true, true},
    {"Lasttrack1", false, true, true},
    {"btnForward", false, true, true},
    {"Nexttrack1", false, true, true},
    {"btnTrack", false, true, true},
    {"Gototrack1", false, true, true},
    {"btnSkipBack", false, false, true},
    {"Fastrewind1", false, false, true},
    {"btnStart", false, false, true},
    {"Startofcurrenttrack1", false, false, true},
    {"Fastforward1", false, false, true},
    {"BtnSkipForward", false, false, true},
};

} // namespace

class THandsetButtonsTest : public QObject {
    Q_OBJECT

    static bool IsEnabled(THandsetRig& Rig, const char* Name) {
        if (auto* Button = Rig.Find<QToolButton>(Name)) return Button->isEnabled();
        QAction* Item = Rig.Handset->Menu().Item(QString::fromLatin1(Name));
        if (!Item) qFatal("no control %s", Name);
        return Item->isEnabled();
    }

private slots:
    void ThreeStatesWithTheDoorOpenAndShut() {
        THandsetRig Rig;
        for (const bool Door : {false, true}) {
            for (const TButtonState State : {bsNoDisc, bsStopped, bsPlaying}) {
                Rig.Handset->SetButtons(ButtonGroupsFor(State, Door));
                for (const TExpectation& E : Expected) {
                    const bool Want = State == bsNoDisc    ? E.NoDisc
                                      : State == bsStopped ? E.Stopped
                                                           : E.Playing;
                    QVERIFY2(IsEnabled(Rig, E.Name) == Want,
                             qPrintable(QString("%1 in state %2").arg(E.Name).arg(State)));
                }
                QCOMPARE(Rig.Find<QToolButton>("btnClose")->isEnabled(), Door);
                QCOMPARE(Rig.Find<QToolButton>("btnEject")->isEnabled(), !Door);
            }
        }
    }

    void EjectShowsTheDoorOpen() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        QVERIFY(Rig.Find<QToolButton>("btnEject")->isEnabled());
        Rig.Find<QToolButton>("btnEject")->click();
        QVERIFY(Rig.Find<QToolButton>("btnClose")->isEnabled());
        QVERIFY(!Rig.Find<QToolButton>("btnEject")->isEnabled());
        QVERIFY(!Rig.Find<QToolButton>("btnPlay")->isEnabled());
        Rig.Find<QToolButton>("btnClose")->click();
        Rig.Tick();
        Rig.Tick();
        QVERIFY(Rig.Find<QToolButton>("btnPlay")->isEnabled());
    }

    // A second show (the window raised from a second copy, hidden and shown) leaves the drive and its
    // play alone; in custom mode no later tick would give the controls back.
    void ShowingAgainKeepsTheDriveAndItsPlay() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        Rig.State.PlayMode = pmCustom;
        Rig.Catalogue.CurrentDisc.Programme.Append(2);
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Tick();
        Rig.Handset->hide();
        Rig.Handset->show();
        Rig.Tick();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        QVERIFY(Rig.Find<QToolButton>("btnTrack")->isEnabled());
        QVERIFY(Rig.Find<QToolButton>("btnStop")->isEnabled());
    }

    void ColourAndMonoGlyphs() {
        const char* Buttons[] = {"btnPlay", "btnStop",    "btnPause",    "btnEject",       "btnClose",
                                 "btnBack", "btnForward", "btnSkipBack", "BtnSkipForward", "btnStart"};
        const char* Stems[] = {"Play", "Stop", "Pause", "Eject", "Close",
                               "Last", "Next", "Rew",   "FF",    "Start"};
        for (const bool Colour : {true, false}) {
            THandsetRig Rig(THandsetRig::drSimulated,
                            [Colour](TPlayerSettings& S) { S.UseColorButtons = Colour; });
            Rig.Handset->show();
            for (int I = 0; I < 10; ++I) {
                auto* Button = Rig.Find<QToolButton>(Buttons[I]);
                const QString Want = QString::fromLatin1(Stems[I]) + (Colour ? "Color" : "Mono");
                QCOMPARE(Button->property("glyph").toString(), Want);
                // The normal image is the left half of the glyph, the disabled one the right half.
                const QImage Glyph = QImage(":/" + Want).convertToFormat(QImage::Format_ARGB32);
                QCOMPARE(Glyph.size(), QSize(32, 16));
                const QImage Normal = Button->icon()
                                          .pixmap(16, 16, QIcon::Normal)
                                          .toImage()
                                          .convertToFormat(QImage::Format_ARGB32);
                QCOMPARE(Normal, Glyph.copy(0, 0, 16, 16));
                const QImage Disabled = Button->icon()
                                            .pixmap(16, 16, QIcon::Disabled)
                                            .toImage()
                                            .convertToFormat(QImage::Format_ARGB32);
                QCOMPARE(Disabled, Glyph.copy(16, 0, 16, 16));
            }
        }
    }

    void RepeatLedAndCheckMark() {
        THandsetRig Rig;
        auto* Repeat = Rig.Find<QToolButton>("btnRepeat");
        QCOMPARE(Repeat->property("glyph").toString(), QStringLiteral("LEDOFF"));
        Repeat->click();
        QVERIFY(Rig.State.RepeatOn);
        QCOMPARE(Repeat->property("glyph").toString(), QStringLiteral("LEDON"));
        QVERIFY(Rig.Handset->Menu().IsChecked("Repeatmode1"));
        Rig.Handset->Menu().Item("Repeatmode1")->trigger();
        QVERIFY(!Rig.State.RepeatOn);
        QVERIFY(!Rig.Handset->Menu().IsChecked("Repeatmode1"));
        QCOMPARE(Repeat->property("glyph").toString(), QStringLiteral("LEDOFF"));
    }

    void HiddenButtonsCallTheirTwins() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        auto* Hidden = Rig.Find<QToolButton>("SpeedButton1");
        QCOMPARE(Hidden->text(), QStringLiteral("&P"));
        // Below the client area, never seen.
        QVERIFY(Hidden->y() >= Rig.Handset->centralWidget()->height());
        Hidden->click();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        Rig.Find<QToolButton>("SpeedButton2")->click();
        QVERIFY(Rig.Cd.GetCDMode() != cmPlaying);
        QCOMPARE(Rig.Find<QToolButton>("SpeedButton11")->text(), QStringLiteral("&Track"));
        // Alt+W opens the catalogue and Alt+Y the sample player, as their buttons do.
        QString Opened;
        QTimer Watch;
        Watch.callOnTimeout([&Opened] {
            if (QWidget* Modal = QApplication::activeModalWidget()) {
                Opened = Modal->objectName();
                Modal->close();
            }
        });
        Watch.start(20);
        for (const auto& [Key, Window] :
             {std::pair{Qt::Key_W, "frmCat"}, std::pair{Qt::Key_Y, "frmSelectPlay"}}) {
            Opened.clear();
            Rig.Handset->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Rig.Handset.get()));
            QTest::keyClick(Rig.Handset.get(), Key, Qt::AltModifier);
            QTRY_COMPARE_WITH_TIMEOUT(Opened, QString::fromLatin1(Window), 5000);
        }
    }

    void SkipRepeatsWhileHeld() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) { S.SkipInterval = 1; });
        Rig.Handset->show();
        Rig.Tick();
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Tick();
        const MSF Start = Rig.Cd.GetDiscPosition();
        auto* Forward = Rig.Find<QToolButton>("BtnSkipForward");
        QVERIFY(Forward->isEnabled());
        QTest::mousePress(Forward, Qt::LeftButton);
        const int OneSkip = MSFToFrames(Rig.Cd.GetDiscPosition()) - MSFToFrames(Start);
        QVERIFY(OneSkip > 0);
        QTRY_VERIFY_WITH_TIMEOUT(MSFToFrames(Rig.Cd.GetDiscPosition()) - MSFToFrames(Start) >= 3 * OneSkip,
                                 5000);
        QTest::mouseRelease(Forward, Qt::LeftButton);
        QVERIFY(!Rig.Handset->tmrSkip.isActive());
        const MSF Released = Rig.Cd.GetDiscPosition();
        QTest::qWait(20);
        QCOMPARE(Rig.Cd.GetDiscPosition(), Released);
        // The menu command skips once.
        Rig.Handset->Menu().Item("Fastrewind1")->trigger();
        QVERIFY(MSFToFrames(Rig.Cd.GetDiscPosition()) < MSFToFrames(Released));
        QVERIFY(!Rig.Handset->tmrSkip.isActive());
    }

    void SkipKeysAreTheMenuShortcuts() {
        THandsetRig Rig;
        Rig.Handset->show();
        QVERIFY(QTest::qWaitForWindowActive(Rig.Handset.get()));
        Rig.Tick();
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Tick();
        const int Start = MSFToFrames(Rig.Cd.GetDiscPosition());
        // The hidden buttons' letters do nothing.
        QTest::keyClick(Rig.Handset.get(), Qt::Key_X, Qt::AltModifier);
        QTest::keyClick(Rig.Handset.get(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(MSFToFrames(Rig.Cd.GetDiscPosition()), Start);
        QTest::keyClick(Rig.Handset.get(), Qt::Key_X, Qt::ControlModifier);
        const int Forward = MSFToFrames(Rig.Cd.GetDiscPosition());
        QVERIFY(Forward > Start);
        QTest::keyClick(Rig.Handset.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(MSFToFrames(Rig.Cd.GetDiscPosition()) < Forward);
        QVERIFY(!Rig.Handset->tmrSkip.isActive());
    }
};

QTEST_MAIN(THandsetButtonsTest)
#include "HandsetButtonsTest.moc"
