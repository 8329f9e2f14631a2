#include "catalogue/DiscLookup.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrlQuery>
#include <algorithm>

#include "app/base/LibraryVersions.h"
#include "app/base/Settings.h"
#include "app/base/TextEncoding.h"
#include "catalogue/LookupCheck.h"
#include "catalogue/MusicBrainzAnswer.h"
#include "catalogue/RequestSpacing.h"

namespace {

// Most entries of gnudb's inexact matches that are read.
constexpr std::size_t MaxGnudbReads = 10;
// Bytes Qt holds of an answer that has not been taken yet.
constexpr qint64 ReadBuffer = 256 * 1024;

// The key of a server's request stamp: its host and port.
std::string ServerOf(const QUrl& Url) {
    return Url.host().toStdString() + ":" +
           std::to_string(Url.port(Url.scheme() == QLatin1String("https") ? 443 : 80));
}

std::string Megabytes(long long Bytes) {
    return std::to_string(Bytes >> 20) + " MB";
}

QString Base(const std::string& Url) {
    QString Text = QString::fromStdString(Url).trimmed();
    while (Text.endsWith(QLatin1Char('/')))
        Text.chop(1);
    return Text;
}

} // namespace

std::string CoverPictureProblem(const QByteArray& Picture) {
    QBuffer Buffer;
    Buffer.setData(Picture);
    Buffer.open(QIODevice::ReadOnly);
    QImageReader Reader(&Buffer);
    const QByteArray Format = Reader.format();
    // A cut JPEG or PNG still decodes, its missing part grey: the end of the stream tells.
    if (Format == "jpeg") {
        QByteArray Tail = Picture.right(64);
        while (!Tail.isEmpty() && (Tail.endsWith('\0') || Tail.endsWith('\n') || Tail.endsWith('\r')))
            Tail.chop(1);
        if (!Tail.endsWith("\xff\xd9")) return "is cut short (the JPEG has no end marker).";
    } else if (Format == "png") {
        if (!Picture.right(64).contains("IEND")) return "is cut short (the PNG has no IEND chunk).";
    }
    const QImage Image = Reader.read();
    if (Image.isNull())
        return Format.isEmpty() ? std::string("is not a picture.")
                                : "cannot be decoded (" + Reader.errorString().toStdString() + ").";
    return {};
}

TLookupServers LookupServersOf(const TPlayerSettings& Settings) {
    TLookupServers Servers;
    Servers.MusicBrainz = Settings.LookupMusicBrainzServer;
    Servers.Gnudb = Settings.LookupGnudbServer;
    Servers.CoverArt = Settings.LookupCoverArtServer;
    Servers.Contact = Settings.LookupContact.empty() ? ProgramHomepage() : Settings.LookupContact;
    Servers.IntervalMs = Settings.LookupInterval;
    return Servers;
}

TDiscLookup::TDiscLookup(TLookupServers Servers, QObject* Parent)
    : QObject(Parent), FServers(std::move(Servers)), FNetwork(new QNetworkAccessManager(this)),
      FWait(new QTimer(this)), FTimeout(new QTimer(this)) {
    // Redirects are followed here, one request at a time, so that each keeps the spacing and is counted.
    FNetwork->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    FWait->setSingleShot(true);
    FTimeout->setSingleShot(true);
    connect(FTimeout, &QTimer::timeout, this, [this] {
        FTimedOut = true;
        if (FReply) FReply->abort();
    });
}

TDiscLookup::~TDiscLookup() {
    if (FReply) {
        FReply->disconnect(this);
        FReply->abort();
    }
}

QString TDiscLookup::Contact() const {
    // A line break in a header would start a header of its own.
    return QString::fromStdString(CleanText(FServers.Contact)).trimmed();
}

std::string TDiscLookup::UserAgent() const {
    return std::string("Orbelune/") + ProgramVersion() + " ( " + Contact().toStdString() + " )";
}

bool TDiscLookup::Busy() const {
    return FBusy;
}

void TDiscLookup::Get(const QUrl& Url, const QString& Service, TAnswer Answer, int Redirects) {
    // The public MusicBrainz server allows one request a second.
    int Interval = std::max(0, FServers.IntervalMs);
    if (Url.host().endsWith(QStringLiteral("musicbrainz.org"))) Interval = std::max(Interval, 1000);
    const long long Wait = ReserveRequestSlot(FServers.StampFolder, ServerOf(Url), Interval);
    FWait->disconnect();
    if (Wait <= 0) {
        Send(Url, Service, std::move(Answer), Redirects);
        return;
    }
    connect(FWait, &QTimer::timeout, this, [this, Url, Service, Answer = std::move(Answer), Redirects] {
        Send(Url, Service, Answer, Redirects);
    });
    FWait->start(static_cast<int>(std::min<long long>(Wait, 24LL * 3600 * 1000)));
}

bool TDiscLookup::Take(QNetworkReply* Reply) {
    const qint64 Limit = Covering() ? LookupLimits::CoverBytes : LookupLimits::AnswerBytes;
    const qint64 Room = Limit - FBody.size();
    if (Reply->bytesAvailable() > Room) {
        FTooLarge = true;
        FBody.clear();
        Reply->abort();
        return false;
    }
    FBody += Reply->readAll();
    return true;
}

void TDiscLookup::Send(const QUrl& Url, const QString& Service, TAnswer Answer, int Redirects) {
    QNetworkRequest Request(Url);
    Request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(UserAgent()));
    Request.setRawHeader("Accept", Service == QLatin1String("MusicBrainz") ? "application/json" : "*/*");
    FTimedOut = FTooLarge = false;
    FBody.clear();
    QNetworkReply* Reply = FNetwork->get(Request);
    FReply = Reply;
    // Qt then holds no more than this of an answer not yet taken; Take keeps the rest within the limit.
    Reply->setReadBufferSize(ReadBuffer);
    FTimeout->start(std::max(1, FServers.TimeoutMs));
    connect(Reply, &QNetworkReply::metaDataChanged, this, [this, Reply] {
        const qint64 Limit = Covering() ? LookupLimits::CoverBytes : LookupLimits::AnswerBytes;
        const QVariant Length = Reply->header(QNetworkRequest::ContentLengthHeader);
        if (Length.isValid() && Length.toLongLong() > Limit) {
            FTooLarge = true;
            Reply->abort();
        }
    });
    connect(Reply, &QNetworkReply::readyRead, this, [this, Reply] { Take(Reply); });
    connect(
        Reply, &QNetworkReply::finished, this,
        [this, Reply, Url, Service, Answer = std::move(Answer), Redirects] {
            FReply = nullptr;
            FTimeout->stop();
            Reply->deleteLater();
            const QString Host = Url.host();
            const std::string Named = Service.toStdString() + " (" + Host.toStdString() + ")";
            if (!FTooLarge && !FTimedOut && Reply->error() == QNetworkReply::NoError) Take(Reply);
            const int Status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (FTooLarge) {
                Fail(Covering() ? "The cover at " + Named + " is larger than " +
                                      Megabytes(LookupLimits::CoverBytes) + ": it was not fetched."
                                : "The answer of " + Named + " is larger than " +
                                      Megabytes(LookupLimits::AnswerBytes) + ": it was not read.");
                return;
            }
            if (FTimedOut) {
                Fail(Named + " did not answer within " + std::to_string((FServers.TimeoutMs + 999) / 1000) +
                     " seconds.");
                return;
            }
            if (Reply->error() == QNetworkReply::OperationCanceledError) return; // Cancel has told it
            const QUrl Target = Reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
            if (Status >= 300 && Status < 400 && Target.isValid() && !Target.isEmpty()) {
                const QUrl Next = Url.resolved(Target);
                const bool Web =
                    Next.scheme() == QLatin1String("https") || Next.scheme() == QLatin1String("http");
                if (Redirects >= LookupLimits::Redirects) {
                    Fail(Named + " redirected the request more than " +
                         std::to_string(LookupLimits::Redirects) + " times: it was not followed further.");
                } else if (!Web ||
                           (Url.scheme() == QLatin1String("https") && Next.scheme() != Url.scheme())) {
                    Fail(Named + " redirected the request to an address that is not safe to follow: " +
                         CleanText(Next.toString().left(200).toStdString()) + ".");
                } else {
                    Get(Next, Service, Answer, Redirects + 1);
                }
                return;
            }
            if (Status == 503) {
                bool Ok = false;
                const int After = Reply->rawHeader("Retry-After").trimmed().toInt(&Ok);
                const int Seconds = Ok && After > 0 ? After : 1;
                Fail(Service.toStdString() + " is busy (its rate limit): try again in " +
                         std::to_string(Seconds) + (Seconds == 1 ? " second." : " seconds."),
                     Seconds);
                return;
            }
            // Qt refuses a compressed answer that unpacks to far more than was sent, or that is broken.
            if (Reply->errorString().startsWith(QStringLiteral("Decompression failed"))) {
                Fail(
                    "The answer of " + Named +
                    " cannot be read: it is compressed and unpacks to far more than was sent, or is broken.");
                return;
            }
            // A missing page is an answer: the caller decides what it means.
            if (Status == 0 || (Reply->error() != QNetworkReply::NoError && Status != 404)) {
                if (Status >= 400)
                    Fail(Service.toStdString() + " answered HTTP " + std::to_string(Status) + " " +
                         CleanText(Reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                       .toString()
                                       .left(200)
                                       .toStdString()) +
                         ".");
                else
                    Fail("Cannot reach " + Named + ": " +
                         Reply->errorString()
                             .remove(QRegularExpression(QStringLiteral("\\.+$")))
                             .toStdString() +
                         ".");
                return;
            }
            if (Status >= 300 && Status < 400) {
                Fail(Named + " answered HTTP " + std::to_string(Status) + " without saying where to.");
                return;
            }
            const QByteArray Body = std::move(FBody);
            FBody.clear();
            Answer(Status, Body);
        });
}

void TDiscLookup::Start(const TLookupToc& Toc) {
    Cancel();
    FBusy = true;
    FJob = TJob::Lookup;
    FToc = Toc;
    FResult = {};
    FEntries.clear();
    if (!Toc.Valid()) {
        Fail("The disc has no table of contents to look up.");
        return;
    }
    QUrl Url(Base(FServers.MusicBrainz) + QStringLiteral("/ws/2/discid/") +
             QString::fromStdString(Toc.MusicBrainzId));
    QUrlQuery Query;
    Query.addQueryItem(QStringLiteral("toc"), QString::fromStdString(MusicBrainzToc(Toc)));
    Query.addQueryItem(QStringLiteral("cdstubs"), QStringLiteral("no"));
    Query.addQueryItem(QStringLiteral("inc"),
                       QStringLiteral("recordings+artist-credits+labels+release-groups"));
    Query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    Url.setQuery(Query);
    emit Progress(QStringLiteral("Asking MusicBrainz..."));
    Get(Url, QStringLiteral("MusicBrainz"), [this](int Status, const QByteArray& Body) {
        std::string Error;
        if (Status != 404 && !ParseMusicBrainzAnswer(Body, FToc, FResult.Matches, Error)) {
            Fail(Error);
            return;
        }
        CheckLookupMatches(FResult.Matches, FResult.Refused, FResult.LeftOut);
        if (FResult.Matches.empty() && !FToc.FreeDbId.empty())
            AskGnudb();
        else
            Finish(FResult);
    });
}

QUrl TDiscLookup::GnudbUrl(const std::string& Command) const {
    QString Path = Base(FServers.Gnudb);
    if (!Path.endsWith(QStringLiteral(".cgi"))) Path += QStringLiteral("/~cddb/cddb.cgi");
    // The hello names the user as gnudb asks: the contact's address when it is one.
    QString User = QStringLiteral("orbelune"), Host = QStringLiteral("localhost");
    const QString Contact = this->Contact();
    if (const auto At = Contact.indexOf(QLatin1Char('@')); At > 0 && !Contact.contains(QLatin1Char(' '))) {
        User = Contact.left(At);
        Host = Contact.mid(At + 1);
    }
    // "+" stands for a space in the command; the parts themselves hold none.
    const QString Encoded = QStringLiteral("cmd=") + QString::fromStdString(Command) +
                            QStringLiteral("&hello=") + QString::fromUtf8(QUrl::toPercentEncoding(User)) +
                            QLatin1Char('+') + QString::fromUtf8(QUrl::toPercentEncoding(Host)) +
                            QStringLiteral("+Orbelune+") + QString::fromLatin1(ProgramVersion()) +
                            QStringLiteral("&proto=6");
    QUrl Url(Path);
    Url.setQuery(Encoded, QUrl::StrictMode);
    return Url;
}

void TDiscLookup::AskGnudb() {
    emit Progress(QStringLiteral("MusicBrainz does not know the disc: asking gnudb..."));
    Get(GnudbUrl("cddb+query+" + CddbQueryArguments(FToc)), QStringLiteral("gnudb"),
        [this](int Status, const QByteArray& Body) {
            std::string Error;
            if (Status == 404 || !ParseCddbQuery(Body, FEntries, Error)) {
                Fail(Status == 404 ? "gnudb has no CDDB service at " +
                                         GnudbUrl("").toString(QUrl::RemoveQuery).toStdString() + "."
                                   : Error);
                return;
            }
            if (FEntries.size() > MaxGnudbReads) FEntries.resize(MaxGnudbReads);
            ReadGnudb(0);
        });
}

void TDiscLookup::ReadGnudb(std::size_t Index) {
    if (Index >= FEntries.size()) {
        // Some entries read: they are the answer, and the others are named beside them.
        if (FResult.Matches.empty() && !FResult.Unread.empty()) {
            FResult.Error =
                "gnudb could not give " +
                (FResult.Unread.size() == 1
                     ? std::string("its match ")
                     : "any of its " + std::to_string(FResult.Unread.size()) + " matches, first ") +
                FResult.Unread.front();
            FBusy = false;
            emit Finished(FResult);
            return;
        }
        Finish(FResult);
        return;
    }
    const TCddbEntry& Entry = FEntries[Index];
    emit Progress(QStringLiteral("Reading gnudb's entry %1 of %2...").arg(Index + 1).arg(FEntries.size()));
    const std::string Command =
        "cddb+read+" + QUrl::toPercentEncoding(QString::fromStdString(Entry.Category)).toStdString() + "+" +
        QUrl::toPercentEncoding(QString::fromStdString(Entry.DiscId)).toStdString();
    Get(GnudbUrl(Command), QStringLiteral("gnudb"), [this, Index](int, const QByteArray& Body) {
        TLookupMatch Match;
        std::string Error;
        if (ParseCddbRead(Body, Match, Error)) {
            std::string Why;
            if (CheckLookupMatch(Match, Why))
                FResult.Matches.push_back(std::move(Match));
            else
                ++FResult.Refused;
        } else {
            // The others are kept; this one is named beside them.
            const TCddbEntry& Entry = FEntries[Index];
            std::string Why = Error;
            while (!Why.empty() && Why.back() == '.')
                Why.pop_back();
            FResult.Unread.push_back(CleanText(Entry.Category + "/" + Entry.DiscId +
                                               (Entry.Title.empty() ? "" : " (" + Entry.Title + ")") + ": " +
                                               Why));
        }
        ReadGnudb(Index + 1);
    });
}

void TDiscLookup::StartCover(const std::string& ReleaseId) {
    Cancel();
    FBusy = true;
    FJob = TJob::Cover;
    AskCover(ReleaseId);
}

void TDiscLookup::StartDetails(const TLookupMatch& Match, const TLookupToc& Toc) {
    Cancel();
    FBusy = true;
    FDetails = {};
    FToc = Toc;
    FReleaseId = Match.ReleaseId;
    if (Match.Source != TLookupSource::MusicBrainz) {
        FBusy = false;
        emit DetailsFinished(FDetails);
        return;
    }
    FJob = TJob::Works;
    const QString Id = QString::fromStdString(Match.ReleaseId);
    if (Id.isEmpty() || Id.contains(QRegularExpression(QStringLiteral("[^0-9a-fA-F-]")))) {
        Fail("The release has no MusicBrainz id to ask for.");
        return;
    }
    QUrl Url(Base(FServers.MusicBrainz) + QStringLiteral("/ws/2/release/") + Id);
    QUrlQuery Query;
    // The recordings' works, and the artists related to each work (its composers among them).
    Query.addQueryItem(
        QStringLiteral("inc"),
        QStringLiteral("recordings+recording-level-rels+work-rels+work-level-rels+artist-rels"));
    Query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    Url.setQuery(Query);
    emit Progress(QStringLiteral("Asking MusicBrainz for the composers..."));
    Get(Url, QStringLiteral("MusicBrainz"), [this](int Status, const QByteArray& Body) {
        std::string Error;
        if (Status == 404)
            FDetails.Note = "MusicBrainz no longer has the release's works.";
        else if (!ParseMusicBrainzComposers(Body, FToc, FDetails.Composer, Error))
            FDetails.Note = Error;
        FDetails.Composer = CleanText(FDetails.Composer);
        FJob = TJob::DetailsCover;
        AskCover(FReleaseId);
    });
}

void TDiscLookup::AskCover(const std::string& ReleaseId) {
    // An MBID is a UUID: anything else would change the path.
    const QString Id = QString::fromStdString(ReleaseId);
    if (Id.isEmpty() || Id.contains(QRegularExpression(QStringLiteral("[^0-9a-fA-F-]")))) {
        Fail("The release has no MusicBrainz id to fetch a cover for.");
        return;
    }
    emit Progress(QStringLiteral("Fetching the cover from the Cover Art Archive..."));
    Get(QUrl(Base(FServers.CoverArt) + QStringLiteral("/release/") + Id + QStringLiteral("/front-500")),
        QStringLiteral("the Cover Art Archive"), [this](int Status, const QByteArray& Body) {
            const QByteArray Picture = Status == 404 ? QByteArray() : Body;
            std::string Problem = Picture.isEmpty() ? std::string() : CoverPictureProblem(Picture);
            if (!Problem.empty()) Problem = "The Cover Art Archive's picture " + Problem;
            if (FJob == TJob::DetailsCover) {
                FBusy = false;
                if (Problem.empty())
                    FDetails.Cover = Picture;
                else
                    FDetails.Note += (FDetails.Note.empty() ? "" : " ") + Problem;
                emit DetailsFinished(FDetails);
                return;
            }
            FBusy = false;
            emit CoverFinished(Problem.empty() ? Picture : QByteArray(), QString::fromStdString(Problem),
                               false);
        });
}

void TDiscLookup::Cancel() {
    if (!FBusy) return;
    FWait->stop();
    FTimeout->stop();
    if (FReply) {
        QNetworkReply* Reply = FReply;
        FReply = nullptr;
        Reply->disconnect(this);
        Reply->abort();
        Reply->deleteLater();
    }
    FBusy = false;
    if (FJob == TJob::Cover) {
        emit CoverFinished({}, {}, true);
    } else if (FJob != TJob::Lookup) {
        FDetails.Cancelled = true;
        emit DetailsFinished(FDetails);
    } else {
        TLookupResult Result;
        Result.Cancelled = true;
        emit Finished(Result);
    }
}

void TDiscLookup::Finish(TLookupResult Result) {
    FBusy = false;
    emit Finished(Result);
}

void TDiscLookup::Fail(const std::string& Error, int RetryAfter) {
    if (FJob == TJob::Works) {
        // Without the composers the cover may still come.
        FDetails.Note = Error;
        FJob = TJob::DetailsCover;
        AskCover(FReleaseId);
        return;
    }
    FBusy = false;
    if (FJob == TJob::DetailsCover) {
        FDetails.Note += (FDetails.Note.empty() ? "" : " ") + std::string("No cover: ") + Error;
        emit DetailsFinished(FDetails);
        return;
    }
    if (FJob == TJob::Cover) {
        emit CoverFinished({}, QString::fromStdString(Error), false);
        return;
    }
    TLookupResult Result;
    Result.Error = Error;
    Result.RetryAfter = RetryAfter;
    emit Finished(Result);
}

TLookupResult TDiscLookup::LookUp(const TLookupToc& Toc) {
    TLookupResult Result;
    QEventLoop Loop;
    const auto Connection = connect(this, &TDiscLookup::Finished, &Loop, [&](const TLookupResult& R) {
        Result = R;
        Loop.quit();
    });
    Start(Toc);
    if (FBusy) Loop.exec();
    disconnect(Connection);
    return Result;
}

TLookupDetails TDiscLookup::Details(const TLookupMatch& Match, const TLookupToc& Toc) {
    TLookupDetails Details;
    QEventLoop Loop;
    const auto Connection = connect(this, &TDiscLookup::DetailsFinished, &Loop, [&](const TLookupDetails& D) {
        Details = D;
        Loop.quit();
    });
    StartDetails(Match, Toc);
    if (FBusy) Loop.exec();
    disconnect(Connection);
    return Details;
}

QByteArray TDiscLookup::Cover(const std::string& ReleaseId, std::string& Error) {
    QByteArray Picture;
    QEventLoop Loop;
    const auto Connection =
        connect(this, &TDiscLookup::CoverFinished, &Loop, [&](const QByteArray& P, const QString& E, bool) {
            Picture = P;
            Error = E.toStdString();
            Loop.quit();
        });
    StartCover(ReleaseId);
    if (FBusy) Loop.exec();
    disconnect(Connection);
    return Picture;
}
