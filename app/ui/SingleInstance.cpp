#include "app/ui/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

namespace {

constexpr int ConnectTimeout = 1000;
const char RaiseMessage[] = "raise\n";

} // namespace

TSingleInstance::TSingleInstance(QString Name, QObject* Parent) : QObject(Parent), FName(std::move(Name)) {}

QString TSingleInstance::ServerName() {
    // A bare name would put the socket in the shared temporary folder, where users meet.
    const QString Runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return Runtime.isEmpty() ? QStringLiteral("Orbelune") : Runtime + QStringLiteral("/Orbelune");
}

bool TSingleInstance::HandOver() {
    QLocalSocket Socket;
    Socket.connectToServer(FName);
    if (!Socket.waitForConnected(ConnectTimeout)) return false;
    Socket.write(RaiseMessage);
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
            connect(Client, &QLocalSocket::disconnected, Client, &QObject::deleteLater);
            emit RaiseRequested();
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
