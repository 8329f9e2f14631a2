// The lookup of a disc in the public disc databases: MusicBrainz by disc id (its lookup by table of
// contents when the id is unknown), gnudb (the CDDB protocol over HTTP: query, then read each entry) when
// MusicBrainz has nothing, and the front cover of a MusicBrainz release from the Cover Art Archive.
//
// Requests are asynchronous (Qt's network access runs its transfers off the calling thread); each has a
// timeout and can be cancelled, and requests to one server are kept apart by the configured interval, at
// least one second for the public MusicBrainz server as it asks, across every program of the user
// (RequestSpacing). An answer is read only up to its limit (LookupCheck) and dropped as soon as it passes
// it; redirects are followed one by one, a few at most, each a request of its own in the spacing.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "app/base/ProgramVersion.h"
#include "catalogue/CddbAnswer.h"
#include "catalogue/LookupMatch.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
struct TPlayerSettings;

// The contact a User-Agent names when the settings give none.

struct TLookupServers {
    std::string MusicBrainz = "https://musicbrainz.org";
    std::string Gnudb = "https://gnudb.gnudb.org";
    std::string CoverArt = "https://coverartarchive.org";
    std::string Contact = ProgramHomepage();
    int IntervalMs = 1000;   // between two requests to one server
    int TimeoutMs = 15000;   // of each request, from sending to the last byte
    std::string StampFolder; // of the request stamps shared with other programs; empty: the user's
};
TLookupServers LookupServersOf(const TPlayerSettings& Settings);

struct TLookupResult {
    std::vector<TLookupMatch> Matches; // none: the disc is not known
    // gnudb's matches whose entry could not be read, each "category/discid (Artist / Title): why";
    // the entries that were read are kept in Matches.
    std::vector<std::string> Unread;
    std::string Error;  // one line; empty when the services answered
    int RetryAfter = 0; // seconds a busy server asked to wait (with Error)
    bool Cancelled = false;
    std::size_t Refused = 0; // matches left out because they cannot be a disc's data
    std::size_t LeftOut = 0; // matches past the number kept of one answer
    bool Answered() const { return Error.empty() && !Cancelled; }
};

// What a chosen match has beyond its line in the list, asked for once it is chosen: the composers of a
// MusicBrainz release's works and its front cover.
struct TLookupDetails {
    std::string Composer; // empty: the works name none (the field stays as it is)
    QByteArray Cover;     // empty: none; a picture that does not decode whole is refused
    std::string Note;     // one line on what could not be had; empty when everything came
    bool Cancelled = false;
};

// Why Picture cannot be a cover: not a picture, or one that does not decode whole (a JPEG without its
// end marker, a PNG without its IEND chunk, a decoder's error); empty when it is whole.
std::string CoverPictureProblem(const QByteArray& Picture);

class TDiscLookup : public QObject {
    Q_OBJECT
public:
    explicit TDiscLookup(TLookupServers Servers, QObject* Parent = nullptr);
    ~TDiscLookup() override;

    // Looks the disc up; Finished tells the result. A lookup under way is cancelled first.
    void Start(const TLookupToc& Toc);
    // Fetches the front cover (500 px) of a MusicBrainz release; CoverFinished tells the result.
    void StartCover(const std::string& ReleaseId);
    // Asks for Match's details (the release with its works' composer relationships, then its cover);
    // DetailsFinished tells them. A gnudb match has none: it is told at once.
    void StartDetails(const TLookupMatch& Match, const TLookupToc& Toc);
    // Ends the request under way; its Finished, CoverFinished or DetailsFinished says Cancelled.
    void Cancel();
    bool Busy() const;

    // The same, waiting in an event loop of their own (for the command-line tool).
    TLookupResult LookUp(const TLookupToc& Toc);
    QByteArray Cover(const std::string& ReleaseId, std::string& Error);
    TLookupDetails Details(const TLookupMatch& Match, const TLookupToc& Toc);

    // "Orbelune/<version> ( <contact> )".
    std::string UserAgent() const;
    const TLookupServers& Servers() const { return FServers; }

signals:
    void Progress(const QString& Status);
    void Finished(const TLookupResult& Result);
    // An empty picture without Error: the release has no front cover.
    void CoverFinished(const QByteArray& Picture, const QString& Error, bool Cancelled);
    void DetailsFinished(const TLookupDetails& Details);

private:
    using TAnswer = std::function<void(int Status, const QByteArray& Body)>;
    // Sends a GET to Url after the server's interval; Answer gets the HTTP status and body, unless the
    // request failed: then Fail gets the error line (and the 503's Retry-After).
    // Redirects: how many were followed to reach Url.
    void Get(const QUrl& Url, const QString& Service, TAnswer Answer, int Redirects = 0);
    void Send(const QUrl& Url, const QString& Service, TAnswer Answer, int Redirects);
    // Takes what has arrived of the answer; false, with the request aborted, past the answer's limit.
    bool Take(QNetworkReply* Reply);
    // The Contact setting without control characters, for the User-Agent and gnudb's hello.
    QString Contact() const;
    void AskGnudb();
    void ReadGnudb(std::size_t Index);
    void AskCover(const std::string& ReleaseId);
    bool Covering() const { return FJob == TJob::Cover || FJob == TJob::DetailsCover; }
    void Finish(TLookupResult Result);
    void Fail(const std::string& Error, int RetryAfter = 0);
    QUrl GnudbUrl(const std::string& Command) const;

    TLookupServers FServers;
    QNetworkAccessManager* FNetwork;
    QNetworkReply* FReply = nullptr;
    QTimer* FWait;    // the interval before a request
    QTimer* FTimeout; // the request's timeout
    bool FTimedOut = false;
    bool FTooLarge = false; // the answer passed its limit and was dropped
    QByteArray FBody;       // of the request under way, so far
    enum class TJob { Lookup, Cover, Works, DetailsCover };
    TJob FJob = TJob::Lookup; // what the request under way is for
    bool FBusy = false;
    TLookupToc FToc;
    TLookupResult FResult;
    std::vector<TCddbEntry> FEntries;
    std::string FReleaseId;
    TLookupDetails FDetails;
};
