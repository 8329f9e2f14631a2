// One running copy per user: a second copy asks the first to show itself and ends without a window or a
// written file.
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "app/ui/SingleInstance.h"

class TSingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir FRuntime;

private slots:
    void initTestCase() {
        QVERIFY(FRuntime.isValid());
        QFile::setPermissions(FRuntime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", FRuntime.path().toLocal8Bit());
        QCOMPARE(TSingleInstance::ServerName(), FRuntime.path() + "/Orbelune");
    }

    void SecondCopyRaisesTheFirst() {
        TSingleInstance First;
        QVERIFY(!First.HandOver()); // nobody there yet
        QVERIFY(First.Listen());
        QSignalSpy Raised(&First, &TSingleInstance::RaiseRequested);
        QSignalSpy Played(&First, &TSingleInstance::PlayRequested);
        TSingleInstance Second;
        QVERIFY(Second.HandOver());
        QTRY_COMPARE_WITH_TIMEOUT(Raised.count(), 1, 5000);
        // A copy started to play asks for that too.
        QVERIFY(Second.HandOver(true));
        QTRY_COMPARE_WITH_TIMEOUT(Played.count(), 1, 5000);
        QCOMPARE(Raised.count(), 2);
    }

    void StaleSocketIsTakenOver() {
        {
            TSingleInstance Gone;
            QVERIFY(Gone.Listen());
        }
        // A socket file left behind by a copy that ended answers nobody.
        QFile Stale(TSingleInstance::ServerName());
        if (!Stale.exists()) {
            QVERIFY(Stale.open(QIODevice::WriteOnly));
            Stale.close();
        }
        TSingleInstance Next;
        QVERIFY(!Next.HandOver());
        QVERIFY(Next.Listen());
    }

    void RestoresAMinimisedWindow() {
        QWidget Window;
        Window.showMinimized();
        QVERIFY(Window.isMinimized());
        RaiseWindow(&Window);
        QVERIFY(!Window.isMinimized());
        QVERIFY(Window.isVisible());
        QWidget Hidden;
        RaiseWindow(&Hidden);
        QVERIFY(Hidden.isVisible());
    }

    void SecondProgramEndsAndWritesNothing() {
        const QString Program = QString::fromLocal8Bit(qgetenv("ORBELUNE_BUILD")) + "/orbelune";
        if (!QFileInfo(Program).isExecutable()) QSKIP("the program is not built");
        TSingleInstance First;
        QVERIFY(First.Listen());
        QSignalSpy Raised(&First, &TSingleInstance::RaiseRequested);
        QSignalSpy Played(&First, &TSingleInstance::PlayRequested);
        QTemporaryDir Home;
        QProcess Second;
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert("ORBELUNE_HOME", Home.path());
        Env.insert("XDG_RUNTIME_DIR", FRuntime.path());
        Env.insert("QT_QPA_PLATFORM", "offscreen");
        Second.setProcessEnvironment(Env);
        Second.start(Program, {"/p"});
        QVERIFY(Second.waitForStarted(5000));
        // The first copy answers from its event loop while the second waits for it.
        QTRY_COMPARE_WITH_TIMEOUT(Raised.count(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Played.count(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Second.state(), QProcess::NotRunning, 10000);
        QCOMPARE(Second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(Second.exitCode(), 0);
        QCOMPARE(QDir(Home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

QTEST_MAIN(TSingleInstanceTest)
#include "SingleInstanceTest.moc"
