// The dBAR file over HTTP with Qt's network access.
#include "copy/ArFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <thread>

#include "catalogue/RequestSpacing.h"

TArFetchResult FetchDbar(const std::string& Server, const TArDiscId& Id, const std::string& UserAgent,
                         int TimeoutMs, int IntervalMs) {
    TArFetchResult Result;
    const QUrl Url(QString::fromStdString(DbarUrl(Server, Id)));
    if (!Url.isValid() || (Url.scheme() != QLatin1String("http") && Url.scheme() != QLatin1String("https"))) {
        Result.Error = "the AccurateRip server \"" + Server + "\" is not an http or https address";
        return Result;
    }
    const std::string HostPort = Url.host().toStdString() + ":" +
                                 std::to_string(Url.port(Url.scheme() == QLatin1String("https") ? 443 : 80));
    if (const long long Wait = ReserveRequestSlot({}, HostPort, IntervalMs); Wait > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(Wait));
    QNetworkAccessManager Network;
    QNetworkRequest Request(Url);
    Request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(UserAgent));
    Request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* Reply = Network.get(Request);
    QEventLoop Loop;
    QTimer Timeout;
    Timeout.setSingleShot(true);
    bool TimedOut = false;
    QObject::connect(&Timeout, &QTimer::timeout, &Loop, [&] {
        TimedOut = true;
        Reply->abort();
    });
    QObject::connect(Reply, &QNetworkReply::finished, &Loop, &QEventLoop::quit);
    Timeout.start(std::max(1, TimeoutMs));
    if (!Reply->isFinished()) Loop.exec();
    const int Status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray Body = Reply->readAll();
    const QString Why = Reply->errorString();
    const bool Failed = Reply->error() != QNetworkReply::NoError;
    delete Reply;
    if (TimedOut) {
        Result.Error =
            "the AccurateRip server did not answer within " + std::to_string(TimeoutMs / 1000) + " s";
    } else if (Status == 404) {
        // The database has no copy of this disc.
    } else if (Failed || Status != 200) {
        Result.Error = "the AccurateRip server failed: " + Why.toStdString();
    } else {
        Result.Found = true;
        Result.File = ParseDbar(Body.toStdString(), Id);
        if (!Result.File.Error.empty()) Result.Error = Result.File.Error;
    }
    return Result;
}
