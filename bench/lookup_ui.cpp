// The disc data editor's Look up against a local server answering as MusicBrainz and the Cover Art
// Archive do, on the offscreen platform: the time from the click to the filled fields and to the shown
// cover, and the longest the GUI thread went without running its timer meanwhile.
// Usage: bench_lookup_ui [runs, default 20]
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/base/Settings.h"
#include "bench/BenchSupport.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "catalogue_ui/DiscDataEditor.h"

using BenchSupport::Clock;

namespace {

QByteArray Answer(const QByteArray& Target, const QByteArray& Cover) {
    QByteArray Body, Type = "application/json";
    if (Target.startsWith("/ws/2/discid/")) {
        Body = R"({"releases":[{"id":"00000001-0000-4000-8000-000000000001","title":"Album","date":"1999",
            "country":"GB","artist-credit":[{"name":"Artist"}],"label-info":[{"label":{"name":"Label"}}],
            "media":[{"track-count":3,"tracks":[{"title":"One"},{"title":"Two"},{"title":"Three"}]}]}]})";
    } else if (Target.startsWith("/ws/2/release/")) {
        Body = R"({"id":"00000001-0000-4000-8000-000000000001","media":[]})"; // works naming no composer
    } else {
        Body = Cover;
        Type = "image/jpeg";
    }
    return "HTTP/1.1 200 OK\r\nContent-Type: " + Type +
           "\r\nContent-Length: " + QByteArray::number(Body.size()) + "\r\nConnection: close\r\n\r\n" + Body;
}

double Percentile(std::vector<double> V, double P) {
    std::sort(V.begin(), V.end());
    return V[static_cast<std::size_t>(P * static_cast<double>(V.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const int Runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir Home;
    qputenv("ORBELUNE_HOME", Home.path().toUtf8());
    BenchSupport::TYes Yes;
    SetMessageSink(&Yes);

    QImage Picture(500, 500, QImage::Format_RGB32);
    Picture.fill(Qt::darkRed);
    QByteArray Cover;
    QBuffer Buffer(&Cover);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "JPEG");

    QTcpServer Server;
    Server.listen(QHostAddress::LocalHost);
    QObject::connect(&Server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* Socket = Server.nextPendingConnection()) {
            QObject::connect(Socket, &QTcpSocket::readyRead, Socket, [Socket, &Cover] {
                const QByteArray Request = Socket->readAll();
                Socket->write(Answer(Request.split(' ').value(1), Cover));
                Socket->disconnectFromHost();
            });
            QObject::connect(Socket, &QTcpSocket::disconnected, Socket, &QObject::deleteLater);
        }
    });

    TPlayerSettings Settings;
    Settings.LookupMusicBrainzServer = Settings.LookupGnudbServer = Settings.LookupCoverArtServer =
        QStringLiteral("http://127.0.0.1:%1").arg(Server.serverPort()).toStdString();
    Settings.LookupInterval = 0;
    const std::string Dir = Home.path().toStdString() + "/";
    TDiscCatalogue Catalogue(Dir, Settings);
    TDiscRecord Rec = NewDiscRecord("BENCH", 0, 0);
    Rec.TrackCount = 3;
    Rec.TrackLengths = {MakeMSF(3, 0, 0), MakeMSF(4, 0, 0), MakeMSF(5, 0, 0)};
    TStringGridData Grid;
    std::string Memo = "BENCH";
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    Catalogue.SaveDisc(Rec, Grid, Memo, RecNo, Keys);
    TDiscEdit Edit(Catalogue, Rec, Grid, Memo, Keys, RecNo, "BENCH");
    TfrmCDData Form(Edit, Settings, nullptr);
    Form.show();

    // The timer's longest gap is the longest the GUI thread was busy elsewhere.
    QTimer Tick;
    Clock::time_point Last = Clock::now();
    double Gap = 0;
    QObject::connect(&Tick, &QTimer::timeout, [&] {
        Gap = std::max(Gap, BenchSupport::Seconds(Last));
        Last = Clock::now();
    });
    Tick.start(1);
    std::vector<double> Filled, WithCover, Gaps;
    for (int i = 0; i < Runs; ++i) {
        Form.edName->setText(QStringLiteral("Unknown"));
        QEventLoop Settle;
        QTimer::singleShot(50, &Settle, &QEventLoop::quit);
        Settle.exec();
        Gap = 0;
        Last = Clock::now();
        const Clock::time_point Start = Clock::now();
        double FilledAt = -1;
        Form.btnLookup->click();
        while (!Form.labLookup->text().contains(QStringLiteral("OK stores"))) {
            App.processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (FilledAt < 0 && Form.edName->text() == QStringLiteral("Album"))
                FilledAt = BenchSupport::Seconds(Start);
            if (BenchSupport::Seconds(Start) > 10) break;
        }
        Filled.push_back(FilledAt);
        WithCover.push_back(BenchSupport::Seconds(Start));
        Gaps.push_back(Gap);
    }
    std::printf(
        "runs %d; click to filled fields: median %.1f ms, max %.1f ms; to the shown cover: median %.1f ms, "
        "max %.1f ms; longest GUI stall: median %.1f ms, max %.1f ms\n",
        Runs, Percentile(Filled, 0.5) * 1e3, Percentile(Filled, 1) * 1e3, Percentile(WithCover, 0.5) * 1e3,
        Percentile(WithCover, 1) * 1e3, Percentile(Gaps, 0.5) * 1e3, Percentile(Gaps, 1) * 1e3);
    return 0;
}
