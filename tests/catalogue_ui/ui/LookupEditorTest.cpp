// Look up in the disc data editor, against a local server answering as MusicBrainz, gnudb and the Cover
// Art Archive do: the chooser, the filled fields and cover, and what OK and Cancel store.
#include <QApplication>
#include <QBuffer>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "../../player/ui/HandsetRig.h"
#include "catalogue/DiscSamples.h"
#include "catalogue_ui/DiscDataEditor.h"
#include "devices/WaveFile.h"
#include "player/MprisValues.h"
#include "player/ui/HandsetGeometry.h"
#include "player/ui/HandsetMenu.h"
#include "support/LocalHttpServer.h"

namespace {

template <class T> T* Child(QWidget* Parent, const char* Name) {
    T* Found = Parent->findChild<T*>(QString::fromLatin1(Name));
    if (!Found) qFatal("no control %s", Name);
    return Found;
}

// Runs Act once on the modal window named Name when it shows.
void OnDialog(const char* Name, std::function<void(QWidget*)> Act) {
    auto* Poll = new QTimer;
    QObject::connect(Poll, &QTimer::timeout, [Poll, Name, Act] {
        QWidget* Dialog = QApplication::activeModalWidget();
        if (!Dialog || Dialog->objectName() != QLatin1String(Name)) return;
        Poll->stop();
        Poll->deleteLater();
        Act(Dialog);
    });
    Poll->start(20);
}

QByteArray Png() {
    QImage Image(300, 300, QImage::Format_RGB32);
    Image.fill(Qt::darkBlue);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    return Bytes;
}

// The catalogue's files as they are now.
std::map<std::string, std::string> CatalogueFiles(const TTempHome& Home) {
    std::map<std::string, std::string> Files;
    for (const char* Name : {"disc.DAT", "disc.IX", "disc.VLF"})
        Files[Name] = ReadFileBytes(Home.File(Name));
    return Files;
}

const TCdText GnuText{
    "The Voice of the Gnu", "A Gnu", {"I Will Survive", "", "Gnu Opera"}, {}, "Another Gnu"};

struct TLookupRig {
    explicit TLookupRig(std::function<THttpAnswer(const QByteArray&)> Answer, bool LookUpNewDiscs = false,
                        const TCdText& Text = {}, bool StoreAtOnce = false)
        : Server(std::move(Answer)), Rig(
                                         THandsetRig::drSimulated,
                                         [this, LookUpNewDiscs, StoreAtOnce](TPlayerSettings& S) {
                                             S.LookupMusicBrainzServer = S.LookupGnudbServer =
                                                 S.LookupCoverArtServer = Server.BaseUrl().toStdString();
                                             S.LookupInterval = 0;
                                             S.LookupNewDiscs = LookUpNewDiscs;
                                             S.StoreLookedUpDiscs = StoreAtOnce;
                                         },
                                         RigDisc(3, 180)) {
        Rig.Handset->show();
        Rig.Drive->SetCdText(Text);
        Before = CatalogueFiles(Rig.Home);
        Clock();
    }
    // One tick of the handset's clock, the automatic lookup's watch included.
    void Clock() { QMetaObject::invokeMethod(&Rig.Handset->Timer, "timeout"); }
    QString Shown(const char* Label) { return Rig.Find<QLabel>(Label)->text(); }
    void Edit(const std::function<void(QWidget*)>& Act) {
        OnDialog("frmCDData", Act);
        Rig.Handset->Menu().Item("EditCD1")->trigger();
    }
    TDiscRecord Stored() {
        TDiscRecord Rec;
        TStringGridData Grid;
        std::string Memo;
        TDiscKeys Keys;
        std::int32_t RecNo = 0;
        Rig.Catalogue.LoadDisc(Rig.Catalogue.CurrentDiscCode, Rec, Grid, Memo, Keys, RecNo);
        Tracks = Grid;
        return Rec;
    }
    TLocalHttpServer Server;
    THandsetRig Rig;
    TStringGridData Tracks;
    std::map<std::string, std::string> Before; // the catalogue before the disc was seen
};

} // namespace

class TLookupEditorTest : public QObject {
    Q_OBJECT
private slots:
    void ChoosesAReleaseAndStoresItWithItsCoverOnOk() {
        const QByteArray Cover = Png();
        TLookupRig L([&](const QByteArray& Target) -> THttpAnswer {
            if (Target.startsWith("/ws/2/discid/")) return {200, LookupFixtures::MusicBrainzReleases(3)};
            if (Target.startsWith("/ws/2/release/00000002-"))
                return {200, LookupFixtures::MusicBrainzWorks({"", "Comp A", ""})};
            if (Target.endsWith("/front-500")) return {307, {}, {{"Location", "/img/front.png"}}};
            if (Target == "/img/front.png") return {200, Cover, {}, 0, false, "image/png"};
            return {404, "none"};
        });
        L.Edit([&](QWidget* D) {
            auto* Status = Child<QLabel>(D, "labLookup");
            OnDialog("frmLookupChooser", [](QWidget* C) {
                auto* Matches = Child<QTreeWidget>(C, "tvMatches");
                QCOMPARE(Matches->topLevelItemCount(), 3);
                // The most recent official release is offered first.
                QCOMPARE(Matches->currentItem(), Matches->topLevelItem(2));
                QCOMPARE(Matches->topLevelItem(1)->text(0), QStringLiteral("Album 2"));
                QCOMPARE(Matches->topLevelItem(1)->text(3), QStringLiteral("X 2"));
                QCOMPARE(Matches->topLevelItem(1)->text(8), QStringLiteral("2 of 2"));
                QCOMPARE(Matches->topLevelItem(1)->text(9), QStringLiteral("3"));
                Matches->setCurrentItem(Matches->topLevelItem(1));
                Child<QPushButton>(C, "btnOK")->click();
            });
            const int Width = D->width();
            Child<QPushButton>(D, "btnLookup")->click();
            QTRY_VERIFY_WITH_TIMEOUT(Status->text().contains(QStringLiteral("with its cover")), 5000);
            // The window keeps its width, and a name shows from its start.
            QCOMPARE(D->width(), Width);
            QCOMPARE(Child<QLineEdit>(D, "edArt")->cursorPosition(), 0);
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Album 2"));
            QCOMPARE(Child<QLineEdit>(D, "edArt")->text(), QStringLiteral("Ann Example & The Band"));
            QCOMPARE(Child<QLineEdit>(D, "edLab")->text(), QStringLiteral("Label 2"));
            QCOMPARE(Child<QLineEdit>(D, "edYear")->text(), QStringLiteral("1992"));
            QVERIFY(Child<QListWidget>(D, "lbTracks")->item(0)->text().contains(QStringLiteral("First 2")));
            QVERIFY(Child<QLabel>(D, "imgCover")->isVisible());
            Child<QPushButton>(D, "btnOK")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        const TDiscRecord Rec = L.Stored();
        QCOMPARE(Rec.DiscName, std::string("Album 2"));
        QCOMPARE(Rec.Composer, std::string("Comp A")); // from the works, not the artist credit
        QVERIFY(Rec.PictureRef != 0);
        // The cover is asked for once.
        QCOMPARE(std::count_if(
                     L.Server.Requests.begin(), L.Server.Requests.end(),
                     [](const TLocalHttpServer::TRequest& R) { return R.Target.endsWith("/front-500"); }),
                 1);
        QCOMPARE(L.Tracks.Cells(0, 2), std::string("Second from recording"));
    }

    void FailuresChangeNothingAndCancelStoresNothing() {
        int MusicBrainzAsked = 0;
        TLookupRig L([&](const QByteArray& Target) -> THttpAnswer {
            if (Target.startsWith("/ws/2/discid/"))
                return ++MusicBrainzAsked == 1 ? THttpAnswer{503, "busy", {{"Retry-After", "20"}}}
                                               : THttpAnswer{404, R"({"error":"Not Found"})"};
            if (Target.contains("cddb+query"))
                return {200, "200 rock 12345678 Someone / Gnudb Disc\r\n", {}, 0, false, "text/plain"};
            return {
                200,
                LookupFixtures::CddbEntry("rock", "12345678", QStringLiteral("Someone / Gnudb Disc"), true),
                {},
                0,
                false,
                "text/plain"};
        });
        L.Edit([&](QWidget* D) {
            auto* Status = Child<QLabel>(D, "labLookup");
            auto* Lookup = Child<QPushButton>(D, "btnLookup");
            Lookup->click();
            QTRY_VERIFY_WITH_TIMEOUT(Status->text().contains(QStringLiteral("try again in 20 seconds")),
                                     5000);
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Unknown"));
            QCOMPARE(Lookup->text(), QStringLiteral("&Look up"));
            // One gnudb match fills the fields without a chooser.
            Lookup->click();
            QTRY_VERIFY_WITH_TIMEOUT(Status->text().startsWith(QStringLiteral("Filled from")), 5000);
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Gnudb Disc"));
            QVERIFY(Child<QListWidget>(D, "lbTracks")->item(0)->text().contains(QString::fromUtf8("Café")));
            Child<QPushButton>(D, "btnCancel")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(L.Stored().DiscName, std::string("Unknown"));
    }

    void NewDiscIsShownLookedUpAndStoredOnlyOnOk() {
        TLookupRig L(
            [&](const QByteArray& Target) -> THttpAnswer {
                if (Target.startsWith("/ws/2/discid/")) return {200, LookupFixtures::MusicBrainzReleases(1)};
                return {404, "none"};
            },
            true);
        auto* Name = L.Rig.Handset->findChild<QLabel*>(QStringLiteral("labName"));
        QVERIFY(Name);
        QTRY_COMPARE_WITH_TIMEOUT(Name->text(), QStringLiteral("Album 1"), 5000);
        QCOMPARE(L.Rig.Catalogue.CurrentDiscRecNo, 0); // shown, not stored
        L.Edit([&](QWidget* D) {
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Album 1"));
            Child<QPushButton>(D, "btnOK")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(L.Stored().DiscName, std::string("Album 1"));
        QCOMPARE(L.Tracks.Cells(0, 1), std::string("First 1"));
    }

    void NewDiscShowsItsCdTextUnstored() {
        TLookupRig L([](const QByteArray&) -> THttpAnswer { return {404, "none"}; }, false, GnuText);
        QCOMPARE(L.Shown("labName"), QStringLiteral("The Voice of the Gnu"));
        QCOMPARE(L.Shown("labArt"), QStringLiteral("A Gnu"));
        QCOMPARE(L.Shown("labTrack"), QStringLiteral("I Will Survive"));
        QVERIFY(L.Rig.Find<QLabel>("labMark")->isVisible());
        QCOMPARE(L.Shown("labMark"), QStringLiteral("(CD-TEXT, not stored)"));
        QCOMPARE(L.Shown("LabComp"), QStringLiteral("Another Gnu"));
        const TMprisTrack Desktop = MprisTrackOf(L.Rig.Catalogue, L.Rig.Cd, 3);
        QCOMPARE(Desktop.Title, std::string("Gnu Opera"));
        QCOMPARE(Desktop.Composer, std::string("Another Gnu"));
        QCOMPARE(Desktop.Album, std::string("The Voice of the Gnu"));
        QVERIFY(L.Rig.Handset->Core().TrackChooserLines()[2].find("Gnu Opera") != std::string::npos);
        // The strip names the track under the mouse.
        auto* Strip = L.Rig.Find<QWidget>("imgTracks");
        const QPoint Cell = TrackCellRect(3).center();
        QHelpEvent Help(QEvent::ToolTip, Cell, Strip->mapToGlobal(Cell));
        QApplication::sendEvent(Strip, &Help);
        QCOMPARE(QToolTip::text(), QStringLiteral("3. Gnu Opera (CD-TEXT, not stored)"));
        QVERIFY(!L.Before["disc.DAT"].empty());
        QCOMPARE(CatalogueFiles(L.Rig.Home), L.Before);

        // A recorded sample stores the new disc as it was loaded, without the text.
        TWaveData Wave;
        Wave.Bits = 16;
        Wave.Samples.assign(2000, 100);
        const std::string Sample = L.Rig.Home.File("sample.wav");
        SaveWaveFile(Sample, Wave);
        QVERIFY(KeepSampleWithDisc(L.Rig.Catalogue, Sample));
        QCOMPARE(L.Stored().DiscName, std::string("Unknown"));
        QCOMPARE(L.Tracks.Cells(0, 1), std::string());
        QVERIFY(CatalogueFiles(L.Rig.Home) != L.Before);
        // The text still shows, as the editor still offers it: the editor starts from the record.
        L.Clock();
        QCOMPARE(L.Shown("labName"), QStringLiteral("The Voice of the Gnu"));
        QCOMPARE(L.Shown("labMark"), QStringLiteral("(CD-TEXT, not stored)"));
        L.Edit([](QWidget* D) {
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Unknown"));
            QVERIFY(Child<QPushButton>(D, "btnCdText")->isVisible());
            Child<QPushButton>(D, "btnCancel")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(L.Shown("labName"), QStringLiteral("The Voice of the Gnu"));
        // OK keeps the record as the user left it, and that is what shows.
        L.Edit([](QWidget* D) {
            Child<QLineEdit>(D, "edName")->setText(QStringLiteral("Gnu Songs"));
            Child<QPushButton>(D, "btnOK")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(L.Stored().DiscName, std::string("Gnu Songs"));
        QCOMPARE(L.Shown("labArt"), QStringLiteral("Unknown"));
        QCOMPARE(L.Shown("LabComp"), QString()); // a new disc's placeholder is no composer
        QCOMPARE(MprisTrackOf(L.Rig.Catalogue, L.Rig.Cd, 3).Composer, std::string());
        QVERIFY(!L.Rig.Find<QLabel>("labMark")->isVisible());
    }

    void StoredAtOnceWithItsComposerCoverAndListEntries() {
        const QByteArray Cover = Png();
        TLookupRig L(
            [&](const QByteArray& Target) -> THttpAnswer {
                if (Target.startsWith("/ws/2/discid/")) return {200, LookupFixtures::MusicBrainzReleases(1)};
                if (Target.startsWith("/ws/2/release/"))
                    return {200, LookupFixtures::MusicBrainzWorks({"Comp A"})};
                if (Target.endsWith("/front-500")) return {200, Cover, {}, 0, false, "image/png"};
                return {404, "none"};
            },
            true, {}, true);
        QTRY_VERIFY_WITH_TIMEOUT(L.Rig.Catalogue.CurrentDiscRecNo != 0, 5000);
        const TDiscRecord Rec = L.Stored();
        QCOMPARE(Rec.DiscName, std::string("Album 1"));
        QCOMPARE(Rec.Composer, std::string("Comp A"));
        QVERIFY(Rec.PictureRef != 0);
        QVERIFY(ReadFileBytes(L.Rig.Home.File("composer.fle")).find("Comp A") != std::string::npos);
        QCOMPARE(L.Shown("labName"), QStringLiteral("Album 1"));
        QVERIFY(!L.Rig.Find<QLabel>("labMark")->isVisible());
    }

    void CdTextTitlesStayAcrossTracksAndGiveWayToTheLookup() {
        TLookupRig L(
            [](const QByteArray& Target) -> THttpAnswer {
                if (Target.startsWith("/ws/2/discid/")) return {200, LookupFixtures::MusicBrainzReleases(2)};
                return {404, "none"};
            },
            true, GnuText);
        QCOMPARE(L.Shown("labName"), QStringLiteral("The Voice of the Gnu"));
        for (const auto& [Track, Title] : std::vector<std::pair<int, QString>>{
                 {3, QStringLiteral("Gnu Opera")}, {2, QString()}, {1, QStringLiteral("I Will Survive")}}) {
            L.Rig.Cd.GoToTrack(Track);
            L.Rig.Tick();
            QCOMPARE(L.Shown("labTrack"), Title);
        }
        // The first of the two matches replaces the text, still unstored; the editor gets it.
        QTRY_COMPARE_WITH_TIMEOUT(L.Shown("labName"), QStringLiteral("Album 1"), 5000);
        QCOMPARE(L.Shown("labMark"), QStringLiteral("(looked up, not stored)"));
        QCOMPARE(L.Shown("labTrack"), QStringLiteral("First 1"));
        QCOMPARE(MprisTrackOf(L.Rig.Catalogue, L.Rig.Cd, 3, &GnuText).Title, std::string("Third"));
        QCOMPARE(CatalogueFiles(L.Rig.Home), L.Before);
        L.Edit([](QWidget* D) {
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Album 1"));
            Child<QPushButton>(D, "btnOK")->click();
        });
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(L.Stored().DiscName, std::string("Album 1"));
        QVERIFY(!L.Rig.Find<QLabel>("labMark")->isVisible());
        // A disc taken out takes its shown texts along.
        L.Rig.Drive->OpenDoor();
        L.Clock();
        QCOMPARE(L.Shown("labName"), QString());
    }
};

QTEST_MAIN(TLookupEditorTest)
#include "LookupEditorTest.moc"
