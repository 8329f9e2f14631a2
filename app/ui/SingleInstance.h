// Keeps the player to one running copy per user: the first copy listens on a local socket named
// "Orbelune"; a second one connects, asks the first to show its window and ends without touching a file.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // The default name is "Orbelune" in the user's runtime folder.
    explicit TSingleInstance(QString Name = ServerName(), QObject* Parent = nullptr);

    // True when another copy is running; it has been asked to show itself (and, with Play, to play as
    // the "/p" switch or a disc's address asks) and this copy should end.
    bool HandOver(bool Play = false);
    // Starts listening for later copies; false when the socket cannot be created (the program then
    // runs without the guard).
    bool Listen();
    static QString ServerName();

signals:
    void RaiseRequested();
    // A later copy was started to play: the desktop's handler for a newly inserted CD, or "/p".
    void PlayRequested();

private:
    QString FName;
    QLocalServer* FServer = nullptr;
};

// Restores a minimised window, otherwise brings it to the top.
void RaiseWindow(QWidget* Window);
