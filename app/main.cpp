// Program entry of the player: the table-of-contents report of the command line, the hand-over to a
// running copy, then the handset and the message loop.
#include <QApplication>
#include <QIcon>
#include <QToolButton>
#include <iostream>

#include "app/base/LibraryVersions.h"
#include "app/base/Settings.h"
#include "app/base/StartupOptions.h"
#include "app/ui/ExitSignals.h"
#include "app/ui/HelpKey.h"
#include "app/ui/QtMessageSink.h"
#include "app/ui/SingleInstance.h"
#include "catalogue/DiscCatalogue.h"
#include "devices/CdAudio.h"
#include "devices/DriveList.h"
#include "devices/SampleRecorder.h"
#include "devices/SoundOutput.h"
#include "devices/TocReport.h"
#include "devices/WaveAudio.h"
#include "player/base/PlayerState.h"
#include "player/ui/Handset.h"
#include "player/ui/MprisPlayer.h"

namespace {

int RunPlayer(QApplication& App, const TStartupOptions& Options) {
    TSingleInstance Guard;
    if (Guard.HandOver(Options.AutoPlaySwitch)) return 0;
    Guard.Listen();

    TQtMessageSink Messages;
    SetMessageSink(&Messages);
    // Log-out, kill and Ctrl+C end the player as its Exit command does, whatever window is open: every
    // event loop is left, the nested ones of modal windows and message boxes too, and the close steps run
    // once the stack has unwound. Listening starts before the first window, which may already ask.
    TExitSignals Signals;
    QObject::connect(&Signals, &TExitSignals::ExitRequested, &App, [&Messages] {
        Messages.SetQuiet(true);
        QCoreApplication::exit(0);
    });
    const auto Ending = [&Signals] { return Signals.LastSignal() != 0; };
    // A recording cut short by a kill or a crash left its working file behind.
    RemoveLeftoverRecording(ProgramDir());
    TPlayerSettings Settings;
    TPlayerState State;
    THandsetFlags Flags;
    TCdAudio Cd(Settings, State, ProgramDriveFactory());
    TWaveAudio Wave(Cd);
    TDiscCatalogue Catalogue(ProgramDir(), Settings);
    // A change by orbelune-cat holds the files for a moment: the player waits that long before it says
    // the catalogue is busy.
    Catalogue.LockWaitMs = 2000;
    int Result = 0;
    {
        // Media keys and the desktop's player controls, on the bus before anything can ask a start-up
        // question; without a session bus the player runs alone.
        TMprisPlayer Mpris(Settings, State, Cd, Catalogue);
        Mpris.Register();
        TORB Handset(Settings, State, Flags, Cd, Wave, Catalogue, Options.AutoPlaySwitch);
        if (!Options.DrivePath.empty()) Handset.SetDriveOverride(DriveNumberFor(Options.DrivePath));
        QObject::connect(&Guard, &TSingleInstance::RaiseRequested, &Handset, &TORB::RaiseHandset);
        // A copy started to play (the desktop's handler for a CD just inserted, or "/p"): from now on every
        // disc plays when it is detected, as with "/p", and the disc shown now plays at once.
        QObject::connect(&Guard, &TSingleInstance::PlayRequested, &Handset, [&Handset, &Flags] {
            Flags.AutoPlaySwitch = true;
            if (QToolButton* Play = Handset.findChild<QToolButton*>(QStringLiteral("btnPlay"));
                Play && Flags.DiscShown)
                Play->click();
        });
        if (!Ending()) Handset.show();
        Mpris.Attach(Handset);
        // A signal met before the main loop (under a start-up message) ended only that message's loop; the
        // main loop is then not started, as nothing would end it.
        if (!Ending()) Result = App.exec();
        if (Ending()) Handset.Exit1Click();
    }
    SetMessageSink(nullptr);
    return Result;
}

} // namespace

int main(int argc, char* argv[]) {
    // The report needs no window, so it runs before anything asks for a display.
    const TStartupOptions Raw = ParseStartupOptions(ArgumentsOf(argc, argv));
    const auto Refuse = [](const TStartupOptions& Options) {
        std::cerr << "orbelune: " << Options.Error << " (orbelune --help shows the usage)\n";
        return 2;
    };
    if (!Raw.Error.empty()) return Refuse(Raw);
    if (Raw.Help) {
        std::cout << StartupUsage();
        return 0;
    }
    if (Raw.Version) {
        std::cout << "orbelune " << ProgramVersion() << '\n';
        return 0;
    }
    if (Raw.TocReport) {
        QCoreApplication App(argc, argv);
        return RunTocReport(Raw.TocPath, std::cout, std::cerr);
    }

    if (const std::string Problem = DisplayProblem(ArgumentsOf(argc, argv)); !Problem.empty()) {
        std::cerr << "orbelune: " << Problem << '\n';
        return 1;
    }

    // The sound server names the player's stream after the client: Orbelune with its icon, as music,
    // in the desktop's mixers (the sound library would call it after itself). A user's own setting of
    // these properties wins; programs started from the player do not inherit this one.
    if (qEnvironmentVariableIsEmpty("PULSE_PROP_OVERRIDE"))
        qputenv("PULSE_PROP_OVERRIDE", SoundStreamProperties);
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbelune"));
    // The installed desktop entry, org.orbelune.orbelune.desktop: the desktop finds the icon and name by it.
    QApplication::setDesktopFileName(QStringLiteral("org.orbelune.orbelune"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion()));
    // Window titles are the windows' own: the player's status goes into the handset's title only, so no
    // name is added to every dialog's caption.
    QApplication::setApplicationDisplayName(QString());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ProgramIcon")));
    InstallHelpKey();
    // Qt has taken its own options out of argv; the switch is the first of what is left.
    const TStartupOptions Options = ParseStartupOptions(ArgumentsOf(argc, argv));
    if (!Options.Error.empty()) return Refuse(Options);
    return RunPlayer(App, Options);
}
