// The disc lookup against a local HTTP server answering as the services do, and orbelune-cat lookup.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <sstream>

#include "DiscTestSupport.h"
#include "app/base/LibraryVersions.h"
#include "app/base/TextEncoding.h"
#include "catalogue/DiscLookup.h"
#include "catalogue/tool/CatalogueTool.h"
#include "support/LocalHttpServer.h"

namespace {

// The disc every lookup here asks for: three tracks.
TLookupToc Disc() {
    TDriveToc Toc;
    Toc.Tracks = {{1, 150, true}, {2, 18816, true}, {3, 37412, true}};
    Toc.LeadOutFrame = 55000;
    return LookupTocOf(Toc);
}

// The answers of one test: MusicBrainz under /ws/2, gnudb under /~cddb, covers under /release; a path
// not given answers 404.
struct TServices {
    THttpAnswer MusicBrainz{404, R"({"error":"Not Found"})"};
    THttpAnswer GnudbQuery{200, "202 No match found\r\n", {}, 0, false, "text/plain"};
    std::map<QByteArray, QByteArray> GnudbReads; // discid -> read answer
    std::map<QByteArray, THttpAnswer> Other;     // path -> answer
    THttpAnswer Answer(const QByteArray& Target) const {
        const QByteArray Path = Target.left(Target.indexOf('?') < 0 ? Target.size() : Target.indexOf('?'));
        if (Other.count(Path)) return Other.at(Path);
        if (Path.startsWith("/ws/2/discid/")) return MusicBrainz;
        if (Path == "/~cddb/cddb.cgi") {
            const QByteArray Query = QUrl::fromPercentEncoding(Target.mid(Target.indexOf('?') + 1)).toUtf8();
            if (Query.contains("cmd=cddb+query")) return GnudbQuery;
            for (const auto& [Id, Read] : GnudbReads)
                if (Query.contains("+" + Id + "&")) return {200, Read, {}, 0, false, "text/plain"};
            return {200, "401 Specified CDDB entry not found.\r\n", {}, 0, false, "text/plain"};
        }
        return {404, "not found"};
    }
};

class DiscLookupTest : public ::testing::Test {
protected:
    DiscLookupTest() : Server([this](const QByteArray& Target) { return Services.Answer(Target); }) {
        Servers.MusicBrainz = Servers.Gnudb = Servers.CoverArt = Server.BaseUrl().toStdString();
        Servers.Contact = "someone@example.org";
        Servers.IntervalMs = 0;
        Servers.TimeoutMs = 5000;
        // The request stamps of the lookups, and of the tool's, in the test's own folder.
        Servers.StampFolder = Stamps.File("stamps");
        if (const char* Old = std::getenv("XDG_RUNTIME_DIR")) OldRuntime = Old;
        ::setenv("XDG_RUNTIME_DIR", Stamps.Dir().c_str(), 1);
    }
    ~DiscLookupTest() override {
        if (OldRuntime.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", OldRuntime.c_str(), 1);
    }
    TLookupResult LookUp() { return TDiscLookup(Servers).LookUp(Disc()); }

    TTempHome Stamps;
    std::string OldRuntime;
    TServices Services;
    TLocalHttpServer Server;
    TLookupServers Servers;
};

} // namespace

TEST_F(DiscLookupTest, SeveralReleasesOfTheDiscId) {
    Services.MusicBrainz = {
        200, LookupFixtures::MusicBrainzReleases(2, QByteArray::fromStdString(Disc().MusicBrainzId))};
    const TLookupResult R = LookUp();
    ASSERT_TRUE(R.Answered()) << R.Error;
    ASSERT_EQ(R.Matches.size(), 2u);
    EXPECT_EQ(R.Matches[0].Tracks.front(), "First 1");
    ASSERT_EQ(Server.Requests.size(), 1u);
    const QByteArray Target = QUrl::fromPercentEncoding(Server.Requests[0].Target).toUtf8();
    EXPECT_TRUE(Target.startsWith("/ws/2/discid/" + QByteArray::fromStdString(Disc().MusicBrainzId) + "?"))
        << Target.constData();
    EXPECT_TRUE(Target.contains("toc=1+3+55000+150+18816+37412")) << Target.constData();
    EXPECT_TRUE(Target.contains("inc=recordings+artist-credits+labels+release-groups")) << Target.constData();
    EXPECT_TRUE(Target.contains("fmt=json"));
    EXPECT_EQ(Server.Requests[0].UserAgent,
              "Orbelune/" + QByteArray(ProgramVersion()) + " ( someone@example.org )");
}

TEST_F(DiscLookupTest, GnudbWhenMusicBrainzHasNothing) {
    Services.GnudbQuery.Body = "211 Found inexact matches, list follows (until terminating `.')\r\n"
                               "rock 1e0c5b03 Bj\xc3\xb6rk / D\xc3\xa9"
                               "but\r\nmisc 2f0c5b03 Other / Disc\r\njazz 3a0c5b03 Gone / Entry\r\n.\r\n";
    Services.GnudbReads["1e0c5b03"] =
        LookupFixtures::CddbEntry("rock", "1e0c5b03", QStringLiteral("Bj\u00f6rk / D\u00e9but"), true);
    Services.GnudbReads["2f0c5b03"] =
        LookupFixtures::CddbEntry("misc", "2f0c5b03", QStringLiteral("Other / Disc"), false);
    const TLookupResult R = LookUp();
    ASSERT_TRUE(R.Answered()) << R.Error;
    ASSERT_EQ(R.Matches.size(), 2u);
    EXPECT_EQ(R.Matches[0].Artist, "Bj\u00f6rk");
    EXPECT_EQ(R.Matches[0].Tracks[0], "Caf\u00e9");
    EXPECT_EQ(R.Matches[1].ReleaseId, "misc/2f0c5b03");
    // The entry gnudb cannot give (401) is named; the two it gave are kept.
    ASSERT_EQ(R.Unread.size(), 1u);
    EXPECT_EQ(R.Unread[0],
              "jazz/3a0c5b03 (Gone / Entry): gnudb refused the request: 401 Specified CDDB entry "
              "not found");
    ASSERT_EQ(Server.Requests.size(), 5u);
    const QByteArray Query = Server.Requests[1].Target;
    EXPECT_TRUE(Query.startsWith("/~cddb/cddb.cgi?cmd=cddb+query+" +
                                 QByteArray::fromStdString(Disc().FreeDbId) +
                                 "+3+150+18816+37412+733&hello=someone+example.org+Orbelune+"))
        << Query.constData();
    EXPECT_TRUE(Query.endsWith("&proto=6"));
    EXPECT_TRUE(Server.Requests[2].Target.startsWith("/~cddb/cddb.cgi?cmd=cddb+read+rock+1e0c5b03&"));
}

TEST_F(DiscLookupTest, NotFoundAnywhereIsAnAnswer) {
    const TLookupResult R = LookUp();
    EXPECT_TRUE(R.Answered()) << R.Error;
    EXPECT_TRUE(R.Matches.empty());
    EXPECT_EQ(Server.Requests.size(), 2u);
}

TEST_F(DiscLookupTest, FailuresGiveOneLineAndNoMatches) {
    const QByteArray Json = LookupFixtures::MusicBrainzReleases(1);
    struct TCase {
        const char* Name;
        THttpAnswer Answer;
        const char* Says;
    } const Cases[] = {
        {"busy", {503, "slow down", {{"Retry-After", "7"}}}, "busy (its rate limit): try again in 7 seconds"},
        {"timeout", {200, Json, {}, 2000}, "did not answer within 1 seconds"},
        {"cut short", {200, Json, {}, 0, true}, "MusicBrainz"},
        {"server error", {500, "oops"}, "answered HTTP 500"},
        {"not json", {200, "<html>maintenance</html>"}, "malformed JSON"},
    };
    Servers.TimeoutMs = 400;
    for (const TCase& C : Cases) {
        Services.MusicBrainz = C.Answer;
        const TLookupResult R = LookUp();
        EXPECT_FALSE(R.Answered()) << C.Name;
        EXPECT_TRUE(R.Matches.empty()) << C.Name;
        EXPECT_NE(R.Error.find(C.Says), std::string::npos) << C.Name << ": " << R.Error;
        EXPECT_EQ(R.Error.find('\n'), std::string::npos) << C.Name;
    }
    Services.MusicBrainz = Cases[0].Answer;
    EXPECT_EQ(LookUp().RetryAfter, 7);

    // Nothing listening.
    QTcpServer Closed;
    Closed.listen(QHostAddress::LocalHost);
    Servers.MusicBrainz = QStringLiteral("http://127.0.0.1:%1").arg(Closed.serverPort()).toStdString();
    Closed.close();
    const TLookupResult R = LookUp();
    EXPECT_NE(R.Error.find("Cannot reach MusicBrainz (127.0.0.1)"), std::string::npos) << R.Error;
}

TEST_F(DiscLookupTest, RedirectsAreFewAndEachKeepsTheInterval) {
    Services.MusicBrainz = {301, "", {{"Location", "/moved"}}};
    Services.Other["/moved"] = {200, LookupFixtures::MusicBrainzReleases(1)};
    Servers.IntervalMs = 300;
    ASSERT_EQ(TDiscLookup(Servers).LookUp(Disc()).Matches.size(), 1u);
    // A lookup of its own (as another program's would be) keeps the interval too.
    ASSERT_EQ(TDiscLookup(Servers).LookUp(Disc()).Matches.size(), 1u);
    // A redirect to itself is given up after three.
    Services.Other["/loop"] = {302, "", {{"Location", "/loop"}}};
    Services.MusicBrainz = {302, "", {{"Location", "/loop"}}};
    const TLookupResult R = LookUp();
    EXPECT_NE(R.Error.find("redirected the request more than 3 times"), std::string::npos) << R.Error;
    ASSERT_EQ(Server.Requests.size(), 8u);
    for (std::size_t i = 1; i < Server.Requests.size(); ++i)
        EXPECT_GE(Server.Requests[i].AtMs - Server.Requests[i - 1].AtMs, 250) << i;
}

// Answers that would take the memory, or the screen, of whoever reads them.
TEST_F(DiscLookupTest, HostileAnswersAreBoundedAndCleaned) {
    const QByteArray Release = LookupFixtures::MusicBrainzReleases(1).mid(42);
    THttpAnswer Endless{200, R"({"id":"x","releases":[)"};
    Endless.Repeat = Release.left(Release.size() - 2) + ",";
    Endless.RepeatBytes = -1;
    THttpAnswer Huge = Endless;
    Huge.RepeatBytes = 100LL << 20;
    const QByteArray Zeros(64 << 20, ' ');
    const THttpAnswer Bomb{200, qCompress(Zeros, 9).mid(4), {{"Content-Encoding", "deflate"}}};
    struct TCase {
        const char* Name;
        THttpAnswer Answer;
        const char* Says;
    } const Cases[] = {
        {"endless", Endless, "is larger than 4 MB: it was not read"},
        {"100 MB", Huge, "is larger than 4 MB: it was not read"},
        {"bomb", Bomb, "cannot be read: it is compressed and unpacks to far more"},
    };
    for (const TCase& C : Cases) {
        Services.MusicBrainz = C.Answer;
        const qint64 Before = Server.BytesSent;
        const TLookupResult R = LookUp();
        EXPECT_NE(R.Error.find(C.Says), std::string::npos) << C.Name << ": " << R.Error;
        // The answer is dropped as it passes the limit, not read to its end first.
        EXPECT_LT(Server.BytesSent - Before, 12LL << 20) << C.Name;
    }

    // Every control character in the texts of 120 releases: each comes without them; 100 are kept.
    QByteArray Bytes;
    for (int b = 1; b < 0x80; ++b)
        if (b != '"' && b != '\\')
            Bytes += QByteArray(b < 0x20 ? "\\u00" : "") +
                     (b < 0x20 ? QByteArray::number(b, 16).rightJustified(2, '0')
                               : QByteArray(1, static_cast<char>(b)));
    Bytes += "\\u0000\xc2\x85\xc2\x9b[2J\xc3\xa9";
    QByteArray Json =
        LookupFixtures::MusicBrainzReleases(120, QByteArray::fromStdString(Disc().MusicBrainzId));
    Json.replace("Album ", "A" + Bytes);
    Json.replace("Ann Example", Bytes);
    Json.replace("\"Third\"", "\"" + Bytes + "\"");
    Services.MusicBrainz = {200, Json};
    const TLookupResult R = LookUp();
    ASSERT_TRUE(R.Answered()) << R.Error;
    EXPECT_EQ(R.Matches.size(), 100u);
    EXPECT_EQ(R.Refused, 0u);
    EXPECT_EQ(R.LeftOut, 20u);
    for (const TLookupMatch& M : R.Matches)
        for (const std::string& Text : {M.DiscName, M.Artist, M.Tracks.at(2), M.Line()})
            EXPECT_FALSE(HasControlCharacters(Text)) << Text;
    EXPECT_NE(R.Matches[0].Tracks[2].find("[2J\xc3\xa9"), std::string::npos);

    // A line break or NUL in the Contact setting would end the header.
    Servers.Contact = std::string("me@example.org\r\nX-Other: 1\0", 27);
    LookUp();
    EXPECT_EQ(Server.Requests.back().UserAgent,
              "Orbelune/" + QByteArray(ProgramVersion()) + " ( me@example.org X-Other: 1 )");
}

TEST_F(DiscLookupTest, CancelAndCover) {
    Services.MusicBrainz = {200, LookupFixtures::MusicBrainzReleases(1), {}, 3000};
    TDiscLookup Lookup(Servers);
    TLookupResult Result;
    QObject::connect(&Lookup, &TDiscLookup::Finished, [&](const TLookupResult& R) { Result = R; });
    QElapsedTimer Clock;
    Clock.start();
    Lookup.Start(Disc());
    while (Server.Requests.empty() && Clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Lookup.Cancel();
    EXPECT_TRUE(Result.Cancelled);
    EXPECT_FALSE(Lookup.Busy());

    const std::string Id = "00000001-1111-2222-3333-444444444444";
    Services.Other["/release/" + QByteArray::fromStdString(Id) + "/front-500"] = {
        307, "", {{"Location", "/img/front.jpg"}}};
    const QByteArray Jpeg = LookupFixtures::Picture("JPG");
    Services.Other["/img/front.jpg"] = {200, Jpeg, {}, 0, false, "image/jpeg"};
    std::string Error;
    EXPECT_EQ(Lookup.Cover(Id, Error), Jpeg);
    EXPECT_TRUE(Error.empty()) << Error;
    // A picture cut short decodes mostly grey: it is refused, and the cover asked for once.
    const QByteArray Png = LookupFixtures::Picture("PNG");
    for (const QByteArray& Cut : {Jpeg.left(Jpeg.size() * 2 / 3), Png.left(Png.size() - 12)}) {
        Services.Other["/img/front.jpg"].Body = Cut;
        const std::size_t Asked = Server.Requests.size();
        EXPECT_TRUE(Lookup.Cover(Id, Error).isEmpty());
        EXPECT_NE(Error.find("cut short"), std::string::npos) << Error;
        EXPECT_EQ(Server.Requests.size() - Asked, 2u); // the cover's page and its redirect
    }
    EXPECT_TRUE(Lookup.Cover("00000009-1111-2222-3333-444444444444", Error).isEmpty()); // none: 404
    EXPECT_TRUE(Error.empty()) << Error;
    EXPECT_TRUE(Lookup.Cover("../../etc", Error).isEmpty());
    EXPECT_FALSE(Error.empty());
}

TEST_F(DiscLookupTest, CatalogueToolListsPicksAndFills) {
    TCatalogueFolder Folder;
    Folder.Settings.LookupMusicBrainzServer = Folder.Settings.LookupGnudbServer =
        Folder.Settings.LookupCoverArtServer = Server.BaseUrl().toStdString();
    Folder.Settings.LookupInterval = 0;
    ASSERT_TRUE(SaveSettingsTo(Folder.Home.File("ORBELUNE.INI"), Folder.Settings));
    const TLookupToc Toc = Disc();
    TDiscRecord Rec = NewDiscRecord("DISC1", 0, 0);
    Rec.TrackCount = 3;
    Rec.TrackLengths = {FramesToMSF(18666), FramesToMSF(18596), FramesToMSF(17587)};
    Folder.Save(Rec);
    Rec.DiscCode = "DISC2";
    Folder.Save(Rec);
    Rec.DiscCode = "NAMED";
    Rec.DiscName = "Has a name";
    Folder.Save(Rec);
    Folder.Catalogue.reset();
    ASSERT_EQ(LookupTocOf(Rec).MusicBrainzId, Toc.MusicBrainzId);

    const auto Run = [&](std::vector<std::string> Args, std::string& Out, std::string& Err) {
        Args.insert(Args.begin(), {"--dir", Folder.Home.Dir()});
        std::ostringstream O, E;
        const int Status = RunCatalogueTool(Args, O, E);
        Out = O.str();
        Err = E.str();
        return Status;
    };
    std::string Out, Err;
    const QByteArray DiscId = QByteArray::fromStdString(Toc.MusicBrainzId);
    Services.MusicBrainz = {200, LookupFixtures::MusicBrainzReleases(2, DiscId)};
    // The picked release's works name their composers; its cover is a whole JPEG.
    Services.Other["/ws/2/release/00000002-1111-2222-3333-444444444444"] = {
        200, LookupFixtures::MusicBrainzWorks({"Comp A", "", "Comp B"}, DiscId)};
    Services.Other["/release/00000002-1111-2222-3333-444444444444/front-500"] = {
        200, LookupFixtures::Picture("JPG"), {}, 0, false, "image/jpeg"};
    ASSERT_EQ(Run({"lookup", "DISC1"}, Out, Err), 0) << Err;
    EXPECT_EQ(
        Out,
        "1\tAlbum 1 - Ann Example & The Band (1991, G1, Label 1, X 1, disc 2 of 2, 3 tracks) MusicBrainz\n"
        "2\tAlbum 2 - Ann Example & The Band (1992, G2, Label 2, X 2, disc 2 of 2, 3 tracks) MusicBrainz\n");
    EXPECT_EQ(Run({"lookup", "DISC1", "--pick", "3"}, Out, Err), 1);
    EXPECT_NE(Err.find("there are 2 matches, not 3"), std::string::npos) << Err;
    ASSERT_EQ(Run({"lookup", "DISC1", "--pick", "2"}, Out, Err), 0) << Err;
    EXPECT_NE(Out.find("with its cover"), std::string::npos) << Out;
    const QByteArray Works =
        QUrl::fromPercentEncoding(Server.Requests[Server.Requests.size() - 2].Target).toUtf8();
    EXPECT_TRUE(Works.contains("inc=recordings+recording-level-rels+work-rels+work-level-rels+artist-rels"))
        << Works.constData();
    ASSERT_EQ(Run({"show", "DISC1"}, Out, Err), 0) << Err;
    for (const char* Text :
         {"Album 2", "Ann Example & The Band", "Comp A; Comp B", "Label 2", "1992", "First 2", "Third"})
        EXPECT_NE(Out.find(Text), std::string::npos) << Text << " in " << Out;
    // The new names join the reference lists, as OK in the editor adds them.
    for (const auto& [File, Name] : {std::pair{"composer.fle", "Comp A; Comp B"},
                                     {"artist.fle", "Ann Example & The Band"},
                                     {"label.fle", "Label 2"}})
        EXPECT_NE(ReadFileBytes(Folder.Home.File(File)).find(Name), std::string::npos) << File;

    // DISC2 has several matches and stays; then one match fills it. NAMED is never asked for.
    ASSERT_EQ(Run({"lookup", "--fill"}, Out, Err), 0) << Err;
    EXPECT_NE(Out.find("DISC2\t2 matches, left as it was"), std::string::npos) << Out;
    Services.MusicBrainz.Body =
        LookupFixtures::MusicBrainzReleases(1, QByteArray::fromStdString(Toc.MusicBrainzId));
    const std::size_t Asked = Server.Requests.size();
    ASSERT_EQ(Run({"lookup", "--fill"}, Out, Err), 0) << Err;
    EXPECT_NE(Out.find("DISC2\tfilled: Album 1"), std::string::npos) << Out;
    EXPECT_EQ(Server.Requests.size() - Asked, 3u); // the disc, its works and its cover
    EXPECT_TRUE(Folder.Check().Ok);

    // Releases that cannot be a disc's data are not offered, and the tool says so.
    Services.MusicBrainz = {200, R"({"id":"x","releases":[{"id":"1","title":"","media":[{"track-count":0}]},
                                  {"id":"2","title":"Minus","date":"9999","media":[{"track-count":-5}]}]})"};
    ASSERT_EQ(Run({"lookup", "DISC1"}, Out, Err), 0) << Err;
    EXPECT_TRUE(
        Out.starts_with("No match for DISC1 at MusicBrainz or gnudb (2 answers cannot be a disc's data).\n"))
        << Out;
    // gnudb gives one of its two matches: the shell lists it, names the other and succeeds.
    Services.MusicBrainz = {404, R"({"error":"Not Found"})"};
    Services.GnudbQuery.Body = "211 Found inexact matches, list follows (until terminating `.')\r\n"
                               "rock 1e0c5b03 Good / One\r\njazz 3a0c5b03 Gone / Entry\r\n.\r\n";
    Services.GnudbReads["1e0c5b03"] =
        LookupFixtures::CddbEntry("rock", "1e0c5b03", QStringLiteral("Good / One"), false);
    ASSERT_EQ(Run({"lookup", "DISC1"}, Out, Err), 0) << Err;
    EXPECT_EQ(Out, "1\tOne - Good (1987, 3 tracks) gnudb\n");
    EXPECT_NE(Err.find("jazz/3a0c5b03 (Gone / Entry): gnudb refused the request: 401"), std::string::npos)
        << Err;
    // Nobody knows it: the shell gives MusicBrainz's page for adding it.
    Services.GnudbQuery.Body = "202 No match found\r\n";
    ASSERT_EQ(Run({"lookup", "DISC1"}, Out, Err), 0) << Err;
    EXPECT_NE(Out.find("Add the disc to MusicBrainz: " + MusicBrainzAttachUrl(Toc)), std::string::npos)
        << Out;
    // Once it is added, the next lookup finds it: nothing kept the "not found".
    Services.MusicBrainz = {200, LookupFixtures::MusicBrainzReleases(1, DiscId)};
    ASSERT_EQ(Run({"lookup", "DISC1"}, Out, Err), 0) << Err;
    EXPECT_TRUE(Out.starts_with("1\tAlbum 1")) << Out;

    Services.MusicBrainz = {500, "oops"};
    EXPECT_EQ(Run({"lookup", "DISC1"}, Out, Err), 1);
    EXPECT_NE(Err.find("answered HTTP 500"), std::string::npos) << Err;
    EXPECT_EQ(Run({"lookup", "NOSUCH"}, Out, Err), 1);
    for (const std::vector<std::string>& Bad :
         std::vector<std::vector<std::string>>{{"lookup"},
                                               {"lookup", "A", "B"},
                                               {"lookup", "--fill", "A"},
                                               {"lookup", "A", "--pick", "0"},
                                               {"lookup", "A", "--pick"}})
        EXPECT_EQ(Run(Bad, Out, Err), 2) << Bad.size();
}

TEST_F(DiscLookupTest, SpacingHoldsAcrossPrograms) {
    TCatalogueFolder Folder;
    Folder.Settings.LookupMusicBrainzServer = Folder.Settings.LookupGnudbServer =
        Folder.Settings.LookupCoverArtServer = Server.BaseUrl().toStdString();
    Folder.Settings.LookupInterval = 1000;
    ASSERT_TRUE(SaveSettingsTo(Folder.Home.File("ORBELUNE.INI"), Folder.Settings));
    TDiscRecord Rec = NewDiscRecord("DISC1", 0, 0);
    Rec.TrackCount = 3;
    Rec.TrackLengths = {FramesToMSF(18666), FramesToMSF(18596), FramesToMSF(17587)};
    Folder.Save(Rec);
    Folder.Catalogue.reset();
    Services.MusicBrainz = {200, LookupFixtures::MusicBrainzReleases(1)};
    const char* Build = std::getenv("ORBELUNE_BUILD");
    ASSERT_NE(Build, nullptr);
    // Three runs one after the other, each a program of its own: the server answers meanwhile.
    for (int Run = 0; Run < 3; ++Run) {
        QProcess Tool;
        QEventLoop Loop;
        QObject::connect(&Tool, &QProcess::finished, &Loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &Loop, &QEventLoop::quit);
        Tool.start(QString::fromUtf8(Build) + QStringLiteral("/orbelune-cat"),
                   {QStringLiteral("--dir"), QString::fromStdString(Folder.Home.Dir()),
                    QStringLiteral("lookup"), QStringLiteral("DISC1")});
        Loop.exec();
        ASSERT_EQ(Tool.state(), QProcess::NotRunning);
        EXPECT_EQ(Tool.exitCode(), 0) << Tool.readAllStandardError().constData();
    }
    ASSERT_EQ(Server.Requests.size(), 3u);
    for (std::size_t i = 1; i < Server.Requests.size(); ++i)
        EXPECT_GE(Server.Requests[i].AtMs - Server.Requests[i - 1].AtMs, 950) << i;
}
