#include "support/LocalHttpServer.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

TLocalHttpServer::TLocalHttpServer(THandler Handler, QObject* Parent)
    : QObject(Parent), FHandler(std::move(Handler)), FServer(new QTcpServer(this)),
      FStarted(QDateTime::currentMSecsSinceEpoch()) {
    FServer->listen(QHostAddress::LocalHost);
    connect(FServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* Socket = FServer->nextPendingConnection()) {
            auto* Received = new QByteArray;
            connect(Socket, &QTcpSocket::disconnected, Socket, [Socket, Received] {
                delete Received;
                Socket->deleteLater();
            });
            connect(Socket, &QTcpSocket::readyRead, this, [this, Socket, Received] {
                Received->append(Socket->readAll());
                const qsizetype End = Received->indexOf("\r\n\r\n");
                if (End < 0 || Received->isEmpty()) return;
                const QList<QByteArray> Lines = Received->left(End).split('\n');
                const QList<QByteArray> First = Lines.value(0).trimmed().split(' ');
                TRequest Request{First.value(1), {}, QDateTime::currentMSecsSinceEpoch() - FStarted};
                for (const QByteArray& Line : Lines)
                    if (Line.toLower().startsWith("user-agent:")) Request.UserAgent = Line.mid(11).trimmed();
                Requests.push_back(Request);
                Received->clear();
                const THttpAnswer Answer = FHandler(Request.Target);
                QByteArray Head = "HTTP/1.1 " + QByteArray::number(Answer.Status) + " Answer\r\n";
                Head += "Content-Type: " + Answer.ContentType + "\r\n";
                if (Answer.RepeatBytes >= 0)
                    Head += "Content-Length: " + QByteArray::number(Answer.Body.size() + Answer.RepeatBytes) +
                            "\r\n";
                Head += "Connection: close\r\n";
                for (const auto& [Name, Value] : Answer.Headers)
                    Head += Name + ": " + Value + "\r\n";
                const QByteArray Bytes =
                    Head + "\r\n" +
                    (Answer.CutShort ? Answer.Body.left(Answer.Body.size() / 2) : Answer.Body);
                QTimer::singleShot(Answer.DelayMs, Socket, [this, Socket, Bytes, Answer] {
                    Socket->write(Bytes);
                    if (Answer.Repeat.isEmpty() || Answer.RepeatBytes == 0) {
                        Socket->disconnectFromHost();
                        return;
                    }
                    // The repeated part is written as the client takes it, a little ahead of it.
                    auto Left = std::make_shared<qint64>(Answer.RepeatBytes);
                    const auto More = [this, Socket, Left, Repeat = Answer.Repeat] {
                        while (Socket->bytesToWrite() < 4 * Repeat.size() + (256 << 10) && *Left != 0) {
                            const qint64 Part =
                                *Left < 0 ? Repeat.size() : std::min<qint64>(*Left, Repeat.size());
                            Socket->write(Repeat.constData(), Part);
                            BytesSent += Part;
                            if (*Left > 0) *Left -= Part;
                        }
                        if (*Left == 0) Socket->disconnectFromHost();
                    };
                    connect(Socket, &QTcpSocket::bytesWritten, Socket, More);
                    More();
                });
            });
        }
    });
}

QString TLocalHttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(FServer->serverPort());
}

namespace LookupFixtures {

QByteArray MusicBrainzReleases(int Count, const QByteArray& DiscId) {
    QByteArray Releases;
    for (int i = 1; i <= Count; ++i) {
        const QByteArray N = QByteArray::number(i);
        Releases += (i > 1 ? "," : "") + QByteArray(R"({"id":"0000000)") + N +
                    R"(-1111-2222-3333-444444444444","title":"Album )" + N + R"(","status":"Official",
 "date":"199)" + N + R"(-05-01","country":"G)" +
                    N + R"(",
 "artist-credit":[{"name":"Ann Example","joinphrase":" & ","artist":{"name":"Ann Example"}},
                  {"name":"The Band","joinphrase":""}],
 "label-info":[{"catalog-number":"X )" +
                    N + R"(","label":{"name":"Label )" + N + R"("}}],
 "release-group":{"id":"rg","first-release-date":"1990"},
 "media":[{"position":1,"format":"CD","track-count":2,"discs":[{"id":"other"}],
           "tracks":[{"position":1,"title":"Wrong 1"},{"position":2,"title":"Wrong 2"}]},
          {"position":2,"format":"CD","track-count":3,"discs":[{"id":")" +
                    DiscId + R"("}],
           "tracks":[{"position":1,"title":"First )" +
                    N + R"(","recording":{"title":"r"}},
                     {"position":2,"title":"","recording":{"title":"Second from recording"}},
                     {"position":3,"title":"Third"}]}]})";
    }
    return R"({"id":")" + DiscId + R"(","offset-count":3,"releases":[)" + Releases + "]}";
}

QByteArray MusicBrainzWorks(const std::vector<QByteArray>& Composers, const QByteArray& DiscId) {
    QByteArray Tracks;
    for (std::size_t t = 0; t < Composers.size(); ++t) {
        QByteArray Relations = R"({"type":"lyricist","artist":{"name":"Words Writer"}})";
        if (!Composers[t].isEmpty())
            Relations +=
                R"(,{"type":"composer","direction":"backward","artist":{"name":")" + Composers[t] + R"("}})";
        Tracks +=
            (t ? "," : "") + QByteArray(R"({"position":)") + QByteArray::number(t + 1) +
            R"(,"title":"T","recording":{"title":"T","relations":[{"type":"performance","target-type":"work",
                  "work":{"title":"W","relations":[)" +
            Relations + "]}}]}}";
    }
    return R"({"id":"00000002-1111-2222-3333-444444444444","title":"Album 2","media":[
        {"position":1,"track-count":1,"discs":[{"id":"other"}],"tracks":[{"position":1,"title":"x",
         "recording":{"relations":[{"type":"performance","work":{"relations":[
         {"type":"composer","artist":{"name":"Not On This Disc"}}]}}]}}]},
        {"position":2,"track-count":3,"discs":[{"id":")" +
           DiscId + R"("}],"tracks":[)" + Tracks + "]}]}";
}

QByteArray Picture(const char* Format) {
    QImage Image(64, 64, QImage::Format_RGB32);
    Image.fill(Qt::darkRed);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    return Bytes;
}

QByteArray CddbEntry(const QByteArray& Category, const QByteArray& DiscId, const QString& Title,
                     bool Latin1) {
    const QString Text =
        QStringLiteral("210 %1 %2 CD database entry follows (until terminating `.')\r\n"
                       "# xmcd\r\n#\r\nDISCID=%2\r\nDTITLE=%3\r\nDYEAR=1987\r\nDGENRE=Rock\r\n"
                       "TTITLE0=Caf\u00e9\r\nTTITLE1=Long title, \r\nTTITLE1=continued\\tthere\r\n"
                       "TTITLE2=Three\r\nEXTD=\r\nPLAYORDER=\r\n.\r\n")
            .arg(QString::fromLatin1(Category), QString::fromLatin1(DiscId), Title);
    return Latin1 ? Text.toLatin1() : Text.toUtf8();
}

} // namespace LookupFixtures
