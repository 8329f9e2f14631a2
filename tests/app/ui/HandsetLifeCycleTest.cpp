// The handset's start-up and shut-down: the drive opened on show, a drive that cannot be opened, the
// auto-play switch, the window position, the title, and closing with and without auto stop.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <sys/stat.h>

#include "player/ui/HandsetMenu.h"
#include "player/ui/HandsetRig.h"
#include "player/ui/LedDisplay.h"

namespace {

bool LogHas(const std::vector<std::string>& Log, const std::string& Command) {
    for (const std::string& Line : Log)
        if (Line.rfind(Command, 0) == 0) return true;
    return false;
}

} // namespace

class THandsetLifeCycleTest : public QObject {
    Q_OBJECT
private slots:
    void ShowOpensTheDriveAndStartsTheClock() {
        THandsetRig Rig;
        QVERIFY(QFile::exists(QString::fromStdString(Rig.Home.File("general.bmp"))));
        QVERIFY(QFile::exists(QString::fromStdString(Rig.Home.File("sandblst.bmp"))));
        QVERIFY(QFile::exists(QString::fromStdString(Rig.Home.File("disc.DAT"))));
        QVERIFY(!Rig.Handset->Timer.isActive());
        Rig.Handset->show();
        QVERIFY(Rig.Cd.CDOpen);
        QVERIFY(Rig.Handset->Timer.isActive());
        QCOMPARE(Rig.Handset->Timer.interval(), 1000);
        QVERIFY(Rig.Flags.JustShown);
        // The open ran the poll: the disc is read and the buttons stopped, but it is shown by the first tick.
        QVERIFY(Rig.State.DiscLoaded);
        QVERIFY(Rig.Find<QToolButton>("btnPlay")->isEnabled());
        QVERIFY(!Rig.Flags.DiscShown);
        Rig.Tick();
        QVERIFY(Rig.Flags.DiscShown);
        // The status is the handset's own title; no other window's caption carries it.
        QCOMPARE(Rig.Handset->windowTitle(), QStringLiteral("ORB [1] 00.00"));
        QVERIFY(!QGuiApplication::applicationDisplayName().contains("ORB"));
        QVERIFY(Rig.Answers.Errors.empty());
    }

    // In intro scan the tick before an intro's end comes just after that end instead of up to a second
    // later, so the next intro starts at once.
    void IntroEndBringsTheTickForward() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) { S.IntroTime = 0.05; });
        Rig.Handset->show();
        Rig.Tick();
        Rig.State.PlayMode = pmIntro;
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Clock.Advance(4300);
        Rig.Tick();
        QVERIFY(Rig.Handset->Timer.interval() >= 700);
        QVERIFY(Rig.Handset->Timer.interval() <= 700 + 50);
        Rig.Clock.Advance(720);
        Rig.Tick();
        QCOMPARE(Rig.State.CurrentTrack, 2);
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        QCOMPARE(Rig.Handset->Timer.interval(), 1000 + 150);
    }

    void DriveThatCannotBeOpened() {
        THandsetRig Rig(THandsetRig::drMissing);
        Rig.Handset->show();
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        QVERIFY(!Rig.Cd.CDOpen);
        QVERIFY(!Rig.Handset->Timer.isActive());
        for (const char* Name : {"btnPlay", "btnStop", "btnForward", "btnPause"})
            QVERIFY2(!Rig.Find<QToolButton>(Name)->isEnabled(), Name);
        // The rest of the program stays usable.
        QVERIFY(Rig.Handset->Menu().Item("AboutOrbelune1")->isEnabled());
        QVERIFY(Rig.Handset->Menu().Item("miExt")->isEnabled());
        QVERIFY(!Rig.Find<QToolButton>("btnPlay")->icon().isNull());
        // Nothing that needs the drive can be pressed, the door buttons included.
        for (const char* Name : {"btnEject", "btnClose", "btnRepeat"})
            QVERIFY2(!Rig.Find<QToolButton>(Name)->isEnabled(), Name);
        QVERIFY(!Rig.Handset->Menu().Item("OpenCDtray1")->isEnabled());
        Rig.Handset->close();
        QVERIFY(!RecordEngineInitialized());
    }

    void ClosingWithAutoStopAndNoDriveFinishesItsSteps() {
        THandsetRig Rig(THandsetRig::drMissing, [](TPlayerSettings& S) { S.AutoStopOnCloseDown = true; });
        Rig.Handset->show();
        Rig.Handset->move(61, 52);
        Rig.Handset->close();
        QVERIFY(Rig.Handset->CloseHandled());
        QVERIFY(!RecordEngineInitialized());
        TPlayerSettings Stored;
        LoadSettingsFrom(SettingsFileName(), Stored);
        QCOMPARE(Stored.MainLeft, 61);
    }

    void AutoPlaySwitchPlaysTheDisc() {
        THandsetRig Rig(THandsetRig::drSimulated, {}, RigDisc(3, 60), /*AutoPlaySwitch=*/true);
        Rig.Handset->show();
        Rig.Tick();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        QVERIFY(Rig.Find<QToolButton>("btnStop")->isEnabled());
    }

    void PositionFromTheSettingsAndSavedOnClose() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.MainTop = 33;
            S.MainLeft = 44;
        });
        QCOMPARE(Rig.Handset->pos(), QPoint(44, 33));
        Rig.Handset->show();
        Rig.Handset->move(70, 80);
        Rig.Handset->close();
        TPlayerSettings Stored;
        LoadSettingsFrom(SettingsFileName(), Stored);
        QCOMPARE(Stored.MainLeft, 70);
        QCOMPARE(Stored.MainTop, 80);
    }

    void ResizeSetsTheTitle() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        QVERIFY(Rig.Handset->windowTitle().startsWith("ORB ["));
        Rig.Handset->miExtClick();
        QCOMPARE(Rig.Handset->windowTitle(), QStringLiteral("ORB"));
    }

    void ClosingWithAutoStop() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) { S.AutoStopOnCloseDown = true; });
        Rig.Handset->show();
        Rig.Tick();
        Rig.Find<QToolButton>("btnPlay")->click();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        const std::size_t Before = Rig.Drive->Log().size();
        Rig.Handset->close();
        const auto Log = Rig.Drive->Log();
        QVERIFY(LogHas({Log.begin() + static_cast<long>(Before), Log.end()}, "Stop"));
        QVERIFY(!Rig.Handset->Timer.isActive());
        QVERIFY(!Rig.Cd.CDOpen);
        QVERIFY(!RecordEngineInitialized());
        QVERIFY(Rig.Handset->Led().DigitBitmap(0).isNull());
    }

    void ClosingWithoutAutoStop() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        Rig.Find<QToolButton>("btnPlay")->click();
        const std::size_t Before = Rig.Drive->Log().size();
        Rig.Handset->close();
        const auto Log = Rig.Drive->Log();
        QVERIFY(!LogHas({Log.begin() + static_cast<long>(Before), Log.end()}, "Stop"));
        QCOMPARE(Rig.Drive->Status().Mode, cmPlaying);
        QVERIFY(QFile::exists(QString::fromStdString(SettingsFileName())));
    }

    // Only a regular file is read: a FIFO or a folder named as the picture must not stop the start.
    void BackgroundThatIsNoPictureIsNoError() {
        for (const char* Name : {"missing.bmp", "picture.fifo", "folder.bmp"}) {
            THandsetRig Rig(THandsetRig::drSimulated, [Name](TPlayerSettings& S) {
                S.UseBackgroundBitmap = true;
                S.BackgroundBitmap = ProgramDir() + Name;
                if (S.BackgroundBitmap.ends_with(".fifo")) ::mkfifo(S.BackgroundBitmap.c_str(), 0600);
                if (S.BackgroundBitmap.ends_with("folder.bmp"))
                    std::filesystem::create_directory(S.BackgroundBitmap);
            });
            Rig.Handset->show();
            Rig.Handset->grab();
            QVERIFY2(Rig.Answers.Errors.empty(), Name);
        }
    }

    void PositionOffTheScreenIsBroughtBack() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.MainTop = 100000;
            S.MainLeft = -100000;
        });
        const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(Screen.contains(QRect(Rig.Handset->pos(), QSize(50, 20))));
    }

    // One message names the folder; the disc plays, nothing is asked and nothing is written.
    void ReadOnlyDataFolderIsToldOnce() {
        std::unique_ptr<TReadOnlyFolder> ReadOnly;
        THandsetRig Rig(THandsetRig::drSimulated, [&ReadOnly](TPlayerSettings&) {
            ReadOnly = std::make_unique<TReadOnlyFolder>(ProgramDir());
        });
        if (!ReadOnly->Active()) QSKIP("cannot make a folder read-only here");
        Rig.Handset->show();
        Rig.Tick();
        Rig.Find<QToolButton>("btnPlay")->click();
        Rig.Tick();
        QCOMPARE(Rig.Cd.GetCDMode(), cmPlaying);
        Rig.Handset->close();
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        QVERIFY(Rig.Answers.Errors[0].find(Rig.Home.Dir()) != std::string::npos);
        QVERIFY(Rig.Answers.Questions.empty());
        QVERIFY(std::filesystem::is_empty(Rig.Home.Path()));
        ReadOnly.reset();
    }
};

QTEST_MAIN(THandsetLifeCycleTest)
#include "HandsetLifeCycleTest.moc"
