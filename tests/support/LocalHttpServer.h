// A small HTTP server on 127.0.0.1 for the tests of the disc lookup: each request gets the answer a
// handler gives for its path and query, written as the test wants it (late, cut short, redirected, very
// long or without end).
// One request per connection; the server closes it after the answer.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <vector>

class QTcpServer;

struct THttpAnswer {
    using THeaders = QList<QPair<QByteArray, QByteArray>>;
    THttpAnswer(int Status_ = 200, QByteArray Body_ = {}, THeaders Headers_ = {}, int DelayMs_ = 0,
                bool CutShort_ = false, QByteArray ContentType_ = "application/json")
        : Status(Status_), Body(std::move(Body_)), Headers(std::move(Headers_)), DelayMs(DelayMs_),
          CutShort(CutShort_), ContentType(std::move(ContentType_)) {}
    int Status = 200;
    QByteArray Body;
    QList<QPair<QByteArray, QByteArray>> Headers; // besides Content-Length and Connection
    int DelayMs = 0;                              // before anything is written
    bool CutShort = false;                        // Content-Length names the whole body, half of it is sent
    QByteArray ContentType = "application/json";
    // After Body, Repeat is sent again and again up to RepeatBytes bytes, or without end (and without a
    // Content-Length) when RepeatBytes is below 0, for as long as the client reads.
    QByteArray Repeat;
    qint64 RepeatBytes = 0;
};

class TLocalHttpServer : public QObject {
    Q_OBJECT
public:
    // Handler gets the request target ("/ws/2/discid/...?toc=...").
    using THandler = std::function<THttpAnswer(const QByteArray& Target)>;
    explicit TLocalHttpServer(THandler Handler, QObject* Parent = nullptr);

    // "http://127.0.0.1:<port>".
    QString BaseUrl() const;

    struct TRequest {
        QByteArray Target, UserAgent;
        qint64 AtMs = 0; // since the server started
    };
    std::vector<TRequest> Requests;
    qint64 BytesSent = 0; // of the repeated parts of all answers

private:
    THandler FHandler;
    QTcpServer* FServer;
    qint64 FStarted;
};

// Answers in the services' documented formats for the tests and the benchmark: disc id 0 has two
// MusicBrainz releases, the others answer from gnudb or not at all.
namespace LookupFixtures {
// A MusicBrainz disc id answer with Count releases of a 3-track disc (release i: "Album i").
QByteArray MusicBrainzReleases(int Count, const QByteArray& DiscId = "xyz");
// A MusicBrainz release looked up with its works' relationships (inc=recordings+recording-level-rels+
// work-rels+work-level-rels+artist-rels) for the 3-track medium of DiscId: track t performs a work whose
// composer is Composers[t] (none when empty), beside a lyricist.
QByteArray MusicBrainzWorks(const std::vector<QByteArray>& Composers, const QByteArray& DiscId = "xyz");
// A picture of the given format ("JPG", "PNG") as a cover server sends it.
QByteArray Picture(const char* Format);
// A CDDB read answer of an entry with DTITLE Title and three tracks, in Latin-1 when Latin1.
QByteArray CddbEntry(const QByteArray& Category, const QByteArray& DiscId, const QString& Title, bool Latin1);
} // namespace LookupFixtures
