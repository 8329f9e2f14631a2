// SIGTERM and SIGINT reach the event loop as one exit request each, and the handlers go with the listener.
#include <QTest>
#include <csignal>

#include "app/ui/ExitSignals.h"

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
};

QTEST_MAIN(TExitSignalsTest)
#include "ExitSignalsTest.moc"
