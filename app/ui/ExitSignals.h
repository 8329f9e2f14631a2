// SIGTERM (log-out, kill) and SIGINT (Ctrl+C in a terminal) end the player the way its Exit command does,
// so the close steps run: the signal handler only writes a byte into a pipe, and the event loop reads it
// and asks for the exit. One instance at a time; the previous handlers come back when it goes.
#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

class TExitSignals : public QObject {
    Q_OBJECT
public:
    explicit TExitSignals(QObject* Parent = nullptr);
    ~TExitSignals() override;

    // The signal last received, 0 before any.
    int LastSignal() const { return FLastSignal; }

signals:
    // Emitted on the event loop once per signal received.
    void ExitRequested();

private:
    void Drain();

    QSocketNotifier* FNotifier = nullptr;
    int FLastSignal = 0;
    struct sigaction FOldTerm {};
    struct sigaction FOldInt {};
};
