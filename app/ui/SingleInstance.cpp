#include "app/ui/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

namespace {

constexpr int ConnectTimeout = 1000;
const char RaiseMessage[] = "raise\n";
const char PlayMessage[] = "play\n";

} // namespace

TSingleInstance::TSingleInstance(QString Name, QObject* Parent) : QObject(Parent), FName(std::move(Name)) {}

QString TSingleInstance::ServerName() {
    // A bare name would put the socket in the shared temporary folder, where users meet.
    const QString Runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return Runtime.isEmpty() ? QStringLiteral("Orbelune") : Runtime + QStringLiteral("/Orbelune");
}

bool TSingleInstance::HandOver(bool Play) {
    QLocalSocket Socket;
    Socket.connectToServer(FName);
    if (!Socket.waitForConnected(ConnectTimeout)) return false;
    Socket.write(Play ? PlayMessage : RaiseMessage);
    Socket.waitForBytesWritten(ConnectTimeout);
    Socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::Listen() {
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket file left there belongs to a copy that ended without cleaning up.
    QLocalServer::removeServer(FName);
    if (!FServer->listen(FName)) return false;
    connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* Client = FServer->nextPendingConnection()) {
            // The message may be there already or come later; the window is raised once either way, also
            // for a copy that went without a word.
            const auto Read = [this, Client](bool Last) {
                if (Client->property("answered").toBool() || (!Last && !Client->canReadLine())) return;
                Client->setProperty("answered", true);
                const bool Play = Client->canReadLine() && Client->readLine() == PlayMessage;
                emit RaiseRequested();
                if (Play) emit PlayRequested();
            };
            connect(Client, &QLocalSocket::readyRead, Client, [Read] { Read(false); });
            connect(Client, &QLocalSocket::disconnected, Client, [Client, Read] {
                Read(true);
                Client->deleteLater();
            });
            Read(false);
        }
    });
    return true;
}

void RaiseWindow(QWidget* Window) {
    if (!Window) return;
    if (Window->isMinimized()) {
        Window->showNormal();
    } else {
        Window->show();
        Window->raise();
    }
    Window->activateWindow();
}
