// SIGTERM and SIGINT reach the event loop as one exit request each, and the handlers go with the listener;
// the program ends on them with its settings saved, also while a start-up message waits for an answer.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ui/ExitSignals.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "support/TestSupport.h"

namespace {

// Processor time the process has used so far, in clock ticks.
long long CpuTicks(qint64 Pid) {
    std::ifstream Stat("/proc/" + std::to_string(Pid) + "/stat");
    std::string Text((std::istreambuf_iterator<char>(Stat)), std::istreambuf_iterator<char>());
    const std::size_t Fields = Text.rfind(')');
    if (Fields == std::string::npos) return -1;
    std::istringstream In(Text.substr(Fields + 2));
    std::string Skip;
    long long User = 0, System = 0;
    for (int i = 0; i < 11; ++i)
        In >> Skip;
    In >> User >> System;
    return User + System;
}

// Waits until the process has used no processor time for a while: it is then waiting in an event loop.
bool WaitUntilIdle(qint64 Pid, int TimeoutMs) {
    QElapsedTimer Clock;
    Clock.start();
    long long Last = -2;
    int Still = 0;
    while (Clock.elapsed() < TimeoutMs) {
        QTest::qWait(200);
        const long long Now = CpuTicks(Pid);
        if (Now < 0) return false;
        Still = Now == Last ? Still + 1 : 0;
        if (Still >= 3) return true;
        Last = Now;
    }
    return false;
}

} // namespace

class TExitSignalsTest : public QObject {
    Q_OBJECT
private slots:
    void SignalsBecomeExitRequests() {
        int Requests = 0;
        struct sigaction Before {};
        ::sigaction(SIGTERM, nullptr, &Before);
        {
            TExitSignals Signals;
            connect(&Signals, &TExitSignals::ExitRequested, this, [&Requests] { ++Requests; });
            std::raise(SIGTERM);
            QTRY_COMPARE(Requests, 1);
            QCOMPARE(Signals.LastSignal(), SIGTERM);
            std::raise(SIGINT);
            QTRY_COMPARE(Requests, 2);
            QCOMPARE(Signals.LastSignal(), SIGINT);
        }
        struct sigaction Now {};
        ::sigaction(SIGTERM, nullptr, &Now);
        QVERIFY(Now.sa_handler == Before.sa_handler);
    }

    // A drive number no drive has: the start-up message waits for an answer that never comes.
    void SignalEndsTheProgramUnderAStartupMessage() {
        const QString Program = QString::fromLocal8Bit(qgetenv("ORBELUNE_BUILD")) + "/orbelune";
        if (!QFileInfo(Program).isExecutable()) QSKIP("the program is not built");
        for (const int Signal : {SIGTERM, SIGINT}) {
            TTempHome Home;
            {
                TRecordingAnswerer Answers;
                Answers.Answers.push_back(idYes); // the catalogue exists, so the first message is the drive's
                TPlayerSettings Settings;
                TDiscCatalogue Catalogue(Home.Dir(), Settings);
                QVERIFY(Catalogue.OpenDiscFiles());
                Catalogue.CloseDiscFiles();
            }
            DoneRecordEngine();
            WriteFileBytes(Home.File("ORBELUNE.INI"), "[General]\nCDROM in use=7\nMain left=2147483647\n");
            WriteFileBytes(Home.File("$temp.wav"), "RIFF"); // left by a recording the last run did not end
            QTemporaryDir Runtime;
            QFile::setPermissions(Runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QProcess Player;
            QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
            Env.insert("ORBELUNE_HOME", QString::fromStdString(Home.Dir()));
            Env.insert("XDG_RUNTIME_DIR", Runtime.path());
            Env.insert("QT_QPA_PLATFORM", "offscreen");
            Env.remove("DBUS_SESSION_BUS_ADDRESS");
            Player.setProcessEnvironment(Env);
            Player.start(Program, {});
            QVERIFY(Player.waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(!std::filesystem::exists(Home.File("$temp.wav")), 30000);
            QVERIFY(WaitUntilIdle(Player.processId(), 30000));
            QCOMPARE(Player.state(), QProcess::Running);
            ::kill(static_cast<pid_t>(Player.processId()), Signal);
            QVERIFY(Player.waitForFinished(10000));
            QCOMPARE(Player.exitStatus(), QProcess::NormalExit);
            QCOMPARE(Player.exitCode(), 0);
            // Saved in full, the drive kept as it was chosen, the position brought into range.
            const std::string Ini = ReadFileBytes(Home.File("ORBELUNE.INI"));
            QVERIFY2(Ini.find("CDROM in use=7") != std::string::npos, Ini.c_str());
            QVERIFY2(Ini.find("Volume delay=200") != std::string::npos, Ini.c_str());
            QVERIFY2(Ini.find("Main left=2147483647") == std::string::npos, Ini.c_str());
        }
    }
};

QTEST_MAIN(TExitSignalsTest)
#include "ExitSignalsTest.moc"
