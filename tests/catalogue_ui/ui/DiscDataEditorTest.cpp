// The disc data editor opened from the handset on the disc in the drive: completion from the lists,
// track dialogs, what OK and Cancel store, and the new list entries.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "../../player/ui/HandsetRig.h"
#include "catalogue/store/VlfFormat.h"
#include "catalogue_ui/DiscDataEditor.h"
#include "devices/DiscIds.h"
#include "player/ui/HandsetMenu.h"

namespace {

// Runs Act on the next modal window once it is shown.
void OnNextDialog(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
        if (QWidget* Dialog = QApplication::activeModalWidget()) Act(Dialog);
    });
}

template <class T> T* Child(QWidget* Parent, const char* Name) {
    T* Found = Parent->findChild<T*>(QString::fromLatin1(Name));
    if (!Found) qFatal("no control %s", Name);
    return Found;
}

void Click(QWidget* Parent, const char* Button) {
    Child<QPushButton>(Parent, Button)->click();
}

struct TEditorRig : THandsetRig {
    explicit TEditorRig(const std::function<void(TPlayerSettings&)>& Prepare = {})
        : THandsetRig(drSimulated, Prepare) {
        WriteFileBytes(Home.File("composer.fle"), "Bartok\r\nBach\r\n");
        Handset->show();
        Tick();
    }
    // Ctrl+D with the window handled by Act, which closes it.
    void Edit(std::function<void(QWidget*)> Act) {
        OnNextDialog(std::move(Act));
        Handset->Menu().Item("EditCD1")->trigger();
    }
};

struct TStored {
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
};

TStored Stored(TDiscCatalogue& Cat) {
    TStored S;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    Cat.LoadDisc(Cat.CurrentDiscCode, S.Rec, S.Grid, S.Memo, Keys, RecNo);
    return S;
}

// Takes the web pages the editor opens instead of a browser.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void Open(const QUrl& Url) { Urls << Url.toString(); }
    QStringList Urls;
};

} // namespace

class TDiscDataEditorTest : public QObject {
    Q_OBJECT
private slots:
    void CompletesNamesAndStoresOnOk() {
        TEditorRig Rig;
        QVERIFY(Rig.Find<QToolButton>("btnData")->isEnabled());
        bool Shown = false;
        Rig.Edit([&](QWidget* D) {
            Shown = true;
            QCOMPARE(D->windowTitle(), QStringLiteral("Edit CD data record"));
            QCOMPARE(Child<QLabel>(D, "labID")->text(),
                     QString::fromStdString(Rig.Catalogue.CurrentDiscCode));
            QCOMPARE(Child<QListWidget>(D, "lbTracks")->count(), 12);
            QVERIFY(!Child<QPushButton>(D, "btnSample")->isEnabled());
            QCOMPARE(Child<QComboBox>(D, "cbComp")->count(), 2);
            auto* edComp = Child<QLineEdit>(D, "edComp");
            edComp->clear();
            edComp->setFocus();
            QTest::keyClicks(edComp, "ba");
            QCOMPARE(edComp->text(), QStringLiteral("Bach"));
            QCOMPARE(edComp->selectedText(), QStringLiteral("ch"));
            QTest::keyClick(edComp, 'r');
            QCOMPARE(edComp->text(), QStringLiteral("Bartok"));
            QCOMPARE(edComp->selectedText(), QStringLiteral("tok"));
            // Backspace removes the proposal and proposes nothing.
            QTest::keyClick(edComp, Qt::Key_Backspace);
            QCOMPARE(edComp->text(), QStringLiteral("Bar"));
            QTest::keyClicks(edComp, "tok");
            Child<QLineEdit>(D, "edName")->setText(QString::fromUtf8("Dvořák: Quartets"));
            Child<QLineEdit>(D, "edArt")->setText(QStringLiteral("Zehetmair"));
            Child<QPlainTextEdit>(D, "memDisc")->setPlainText(QStringLiteral("live\nrecording"));
            // One track through its dialog, another through the grid.
            auto* Tracks = Child<QListWidget>(D, "lbTracks");
            Tracks->setCurrentRow(1);
            OnNextDialog([](QWidget* T) {
                QCOMPARE(Child<QLabel>(T, "labNumber")->text(), QStringLiteral("2"));
                Child<QLineEdit>(T, "edName")->setText(QStringLiteral("Lento"));
                Click(T, "BitBtn1");
            });
            emit Tracks->itemDoubleClicked(Tracks->item(1));
            QCOMPARE(Tracks->item(1)->text(), QStringLiteral(" 203.00Lento"));
            OnNextDialog([](QWidget* G) {
                QCOMPARE(G->windowTitle(), QString::fromUtf8("Track details for - Dvořák: Quartets"));
                auto* Grid = Child<QTableWidget>(G, "edTracks");
                QCOMPARE(Grid->item(1, 0)->text(), QStringLiteral("Lento"));
                Grid->item(4, 0)->setText(QStringLiteral("Finale"));
                Grid->item(0, 0)->setText(QStringLiteral("Allegro"));
                Click(G, "btnOK");
            });
            Click(D, "btnTracks");
            QCOMPARE(Tracks->item(4)->text(), QStringLiteral(" 503.00Finale"));
            // The programme editor lists the tracks as the editor has them.
            OnNextDialog([](QWidget* P) {
                auto* Src = Child<QListWidget>(P, "SrcList");
                QCOMPARE(Src->item(4)->text(), QStringLiteral(" 503.00Finale"));
                Src->item(4)->setSelected(true);
                Click(P, "btnInclude");
                Click(P, "btnOK");
            });
            Click(D, "btnProg");
            Click(D, "btnOK");
        });
        QVERIFY(Shown);
        QCOMPARE(Rig.Find<QLabel>("labName")->text(), QString::fromUtf8("Dvořák: Quartets"));
        QCOMPARE(Rig.Find<QLabel>("LabComp")->text(), QStringLiteral("Bartok"));
        QCOMPARE(Rig.Find<QLabel>("labArt")->text(), QStringLiteral("Zehetmair"));
        QVERIFY(Rig.Catalogue.CurrentDiscRecNo > 0);
        const TStored S = Stored(Rig.Catalogue);
        QCOMPARE(S.Rec.Composer, std::string("Bartok"));
        QCOMPARE(S.Grid.Cells(0, 2), std::string("Lento"));
        QCOMPARE(S.Grid.Cells(0, 5), std::string("Finale"));
        QCOMPARE(S.Rec.Programme.Count, 1);
        QCOMPARE(S.Rec.Programme[1], 5);
        QCOMPARE(S.Memo, Rig.Catalogue.CurrentDiscCode + "\r\nlive\r\nrecording");
        QCOMPARE(ReadFileBytes(Rig.Home.File("artist.fle")), std::string("Zehetmair\r\n"));
        QCOMPARE(ReadFileBytes(Rig.Home.File("composer.fle")), std::string("Bartok\r\nBach\r\n"));
        Rig.Tick();
        QCOMPARE(Rig.Find<QLabel>("labTrack")->text(), QStringLiteral("Allegro"));
    }

    void CancelDropsTheTypingAndNewNamesStayOutWhenSavingThemIsOff() {
        TEditorRig Rig([](TPlayerSettings& S) { S.SaveNewEntries = false; });
        Rig.Edit([](QWidget* D) {
            Child<QLineEdit>(D, "edName")->setText(QStringLiteral("Typed"));
            Click(D, "btnCancel");
        });
        QCOMPARE(Rig.Catalogue.CurrentDisc.DiscName, std::string("Unknown"));
        // Every run ends with a save: the new disc is now in the catalogue.
        QVERIFY(Rig.Catalogue.CurrentDiscRecNo > 0);
        Rig.Edit([](QWidget* D) {
            Child<QLineEdit>(D, "edComp")->setText(QStringLiteral("Zelenka"));
            Child<QLineEdit>(D, "edYear")->setText(QStringLiteral("1723"));
            Click(D, "btnOK");
        });
        QCOMPARE(Stored(Rig.Catalogue).Rec.Composer, std::string("Zelenka"));
        QCOMPARE(Rig.Catalogue.CurrentDisc.Year, std::int16_t(1723));
        QCOMPARE(ReadFileBytes(Rig.Home.File("composer.fle")), std::string("Bartok\r\nBach\r\n"));
    }

    void LimitsCountStoredBytes() {
        TEditorRig Rig;
        std::string Notes;
        Rig.Edit([&](QWidget* D) {
            auto* edRef = Child<QLineEdit>(D, "edRef");
            edRef->clear();
            // 17 two-byte characters typed: 15 fit the 30 bytes.
            for (int i = 0; i < 17; ++i)
                QTest::sendKeyEvent(QTest::Click, edRef, Qt::Key_unknown, QString::fromUtf8("α"),
                                    Qt::NoModifier);
            QCOMPARE(edRef->text(), QString::fromUtf8("ααααααααααααααα"));
            // A paste in the middle keeps what was there and takes what still fits.
            edRef->setText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
            edRef->setCursorPosition(2);
            edRef->insert(QString::fromUtf8("ŘŘŘŘ"));
            QCOMPARE(edRef->text(), QString::fromUtf8("abŘŘcdefghijklmnopqrstuvwxyz"));
            auto* edYear = Child<QLineEdit>(D, "edYear");
            QTest::keyClicks(edYear, QStringLiteral("19x556"));
            QCOMPARE(edYear->text(), QStringLiteral("1955"));
            // Notes end their lines with CR LF when stored: line breaks count two bytes.
            auto* memDisc = Child<QPlainTextEdit>(D, "memDisc");
            memDisc->setPlainText(QStringLiteral("ab\n").repeated(12000));
            Notes = memDisc->toPlainText().toStdString();
            Click(D, "btnOK");
        });
        const std::string Code = Rig.Catalogue.CurrentDiscCode;
        QVERIFY(Notes.size() < 36000);
        QCOMPARE(Stored(Rig.Catalogue).Memo, StoredNotes(Code, Notes));
        QVERIFY(StoredNotes(Code, Notes).size() <= std::size_t(VlfFormat::TextMax));
        QVERIFY(StoredNotes(Code, Notes).size() > std::size_t(VlfFormat::TextMax) - 4);
        QCOMPARE(Rig.Catalogue.CurrentDisc.Reference, std::string("abŘŘcdefghijklmnopqrstuvwxyz"));
    }

    // Notes pasted beyond what the store holds keep their whole lines (or whole characters when one line
    // is too long), and the user is told how much before anything is stored.
    void NotesTooLongAreCutAtALineAndTold() {
        TEditorRig Rig;
        const struct {
            QString Pasted, Told;
        } Cases[] = {
            {QString::fromUtf8("é").repeated(99).append(u'\n').repeated(6400),
             "of the 640000 characters put in, the first 16300 are kept, to the end of a line;"},
            {QString::fromUtf8("😀").repeated(10000),
             "of the 10000 characters put in, the first 8183 are kept;"},
        };
        for (const auto& C : Cases) {
            QString Shown;
            const std::size_t Told = Rig.Answers.Errors.size();
            Rig.Edit([&](QWidget* D) {
                auto* memDisc = Child<QPlainTextEdit>(D, "memDisc");
                memDisc->setPlainText(QStringLiteral("before\nafter"));
                QTextCursor At = memDisc->textCursor();
                At.setPosition(7);
                memDisc->setTextCursor(At);
                memDisc->insertPlainText(C.Pasted);
                Shown = memDisc->toPlainText();
                Click(D, "btnOK");
            });
            QCOMPARE(Rig.Answers.Errors.size(), Told + 1);
            QVERIFY2(Rig.Answers.Errors.back().find(C.Told.toStdString()) != std::string::npos,
                     Rig.Answers.Errors.back().c_str());
            QVERIFY(Shown.startsWith(QStringLiteral("before\n")) && Shown.endsWith(QStringLiteral("after")));
            QVERIFY(C.Pasted.startsWith(Shown.mid(7, Shown.size() - 12)));
            const std::string Memo = Stored(Rig.Catalogue).Memo;
            QCOMPARE(Memo, StoredNotes(Rig.Catalogue.CurrentDiscCode, Shown.toStdString()));
            QVERIFY(Memo.size() <= std::size_t(VlfFormat::TextMax));
            QCOMPARE(QString::fromUtf8(Memo).toUtf8().toStdString(), Memo); // whole characters only
        }
    }

    // A folder that cannot be written takes neither the record nor the name lists: one message says so.
    void ReadOnlyFolderIsToldOnceOnOK() {
        TEditorRig Rig;
        const std::string Name = Stored(Rig.Catalogue).Rec.DiscName;
        const std::string Composers = ReadFileBytes(Rig.Home.File("composer.fle"));
        {
            TReadOnlyFolder ReadOnly(Rig.Home.Path());
            if (!ReadOnly.Active()) QSKIP("cannot make a folder read-only here");
            Rig.Catalogue.SetReadOnly(true); // as a start in such a folder leaves it
            const std::size_t Told = Rig.Answers.Errors.size();
            Rig.Edit([](QWidget* D) {
                for (const char* Field : {"edName", "edComp", "edArt", "edLab", "edCat"})
                    Child<QLineEdit>(D, Field)->setText(QStringLiteral("New"));
                Click(D, "btnOK");
            });
            QCOMPARE(Rig.Answers.Errors.size(), Told + 1);
            QVERIFY(Rig.Answers.Errors.back().find(Rig.Home.Dir() + " cannot be written") !=
                    std::string::npos);
        }
        Rig.Catalogue.SetReadOnly(false);
        QCOMPARE(Stored(Rig.Catalogue).Rec.DiscName, Name);
        QCOMPARE(ReadFileBytes(Rig.Home.File("composer.fle")), Composers);
    }

    // The sample plays to its end while the window goes on painting; then it can be cleared.
    void PlaysAndClearsTheSample() {
        TEditorRig Rig;
        TDiscCatalogue& Cat = Rig.Catalogue;
        const auto Wave = CopyFixture("wav/cpython/pluck-pcm16.wav", Rig.Home.Path());
        QVERIFY(Cat.OpenDiscVlf());
        Cat.CurrentDisc.SampleRef = Cat.fvlf.Vlf.StoreFile(0, Wave.string(), VlfKindSample);
        Cat.CloseDiscVlf();
        QVERIFY(Cat.PutDiscRecord(Cat.CurrentDisc));
        QString DuringPlay;
        Rig.Edit([&](QWidget* D) {
            auto* btnSample = Child<QPushButton>(D, "btnSample");
            QVERIFY(btnSample->isEnabled());
            QTimer::singleShot(50, [&] { DuringPlay = btnSample->text(); });
            btnSample->click();
            QCOMPARE(btnSample->text(), QStringLiteral("&Sample"));
            QVERIFY(!QFileInfo::exists(QString::fromStdString(Cat.WorkingSample())));
            Rig.Answers.Answers = {idYes};
            Click(D, "btnWaveDel");
            QVERIFY(!btnSample->isEnabled());
            Click(D, "btnCancel");
        });
        QCOMPARE(DuringPlay, QStringLiteral("Playing..."));
        QCOMPARE(Stored(Cat).Rec.SampleRef, 0);
    }

    // A list file that cannot be written is reported; the record is stored all the same.
    void AListThatCannotBeWrittenStillStoresTheRecord() {
        TEditorRig Rig;
        std::filesystem::create_directory(Rig.Home.File("composer.fle.new"));
        Rig.Edit([](QWidget* D) {
            Child<QLineEdit>(D, "edComp")->setText(QStringLiteral("Zelenka"));
            Click(D, "btnOK");
        });
        QCOMPARE(Rig.Answers.Errors.back(), std::string("Cannot save Composers file!"));
        QCOMPARE(Stored(Rig.Catalogue).Rec.Composer, std::string("Zelenka"));
    }

    // Another disc taken in while the editor is open keeps its own data; the edited disc is stored.
    void ADiscChangedMeanwhileIsNotMixedUp() {
        TEditorRig Rig;
        const std::string First = Rig.Catalogue.CurrentDiscCode;
        TDiscToc Other;
        Other.TrackCount = 2;
        Rig.Edit([&](QWidget* D) {
            Rig.Catalogue.DiscInserted("00000000000000AB", Other);
            Child<QLineEdit>(D, "edName")->setText(QStringLiteral("First disc"));
            Click(D, "btnOK");
        });
        QCOMPARE(Rig.Catalogue.CurrentDisc.DiscName, std::string("Unknown"));
        QCOMPARE(int(Rig.Catalogue.CurrentDisc.TrackCount), 2);
        QCOMPARE(Rig.Catalogue.fvlf.Memo, std::string("00000000000000AB"));
        Rig.Catalogue.CurrentDiscCode = First;
        QCOMPARE(Stored(Rig.Catalogue).Rec.DiscName, std::string("First disc"));
    }

    // The disc's database ids with links to its pages; its CD-TEXT offered while the record is a new
    // disc's, filling the fields and track names, which only OK stores.
    void DiscIdsAndCdText() {
        TEditorRig Rig;
        TUrlCatcher Browser;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &Browser, "Open");
        const TDiscIds Ids = ComputeDiscIds(Rig.Toc);
        Rig.Edit([&](QWidget* D) {
            auto* MB = Child<QLabel>(D, "labMBID");
            QVERIFY(MB->isVisible());
            QVERIFY(MB->text().contains(QString::fromStdString(Ids.MusicBrainz)));
            QVERIFY(Child<QLabel>(D, "labFreeDBID")->text().contains(QString::fromStdString(Ids.FreeDb)));
            emit MB->linkActivated(QString::fromStdString(MusicBrainzDiscUrl(Ids.MusicBrainz)));
            // The disc has no CD-TEXT.
            QVERIFY(!Child<QPushButton>(D, "btnCdText")->isVisible());
            Click(D, "btnCancel");
        });
        QCOMPARE(Browser.Urls, QStringList{QString::fromStdString(MusicBrainzDiscUrl(Ids.MusicBrainz))});
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

        std::vector<std::string> Titles(12);
        Titles[0] = "Overture";
        Titles[11] = "Finale";
        Rig.Drive->SetCdText({"Live", "Orchestra", Titles, {}});
        for (const char* Close : {"btnCancel", "btnOK"}) {
            Rig.Edit([&](QWidget* D) {
                auto* btnCdText = Child<QPushButton>(D, "btnCdText");
                QVERIFY(btnCdText->isVisible());
                // Its Alt letter is its own: a shared one only moves the focus between the buttons.
                const QKeySequence Letter = QKeySequence::mnemonic(btnCdText->text());
                for (auto* Other : D->findChildren<QAbstractButton*>())
                    QVERIFY(Other == btnCdText || QKeySequence::mnemonic(Other->text()) != Letter);
                btnCdText->click();
                QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Live"));
                QCOMPARE(Child<QLineEdit>(D, "edArt")->text(), QStringLiteral("Orchestra"));
                QCOMPARE(Child<QListWidget>(D, "lbTracks")->item(11)->text(),
                         QStringLiteral("1202.59Finale"));
                QCOMPARE(Stored(Rig.Catalogue).Rec.DiscName, std::string("Unknown"));
                Click(D, Close);
            });
        }
        const TStored S = Stored(Rig.Catalogue);
        QCOMPARE(S.Rec.DiscName, std::string("Live"));
        QCOMPARE(S.Rec.Artist, std::string("Orchestra"));
        QCOMPARE(S.Grid.Cells(0, 1), std::string("Overture"));
        QCOMPARE(S.Grid.Cells(0, 2), std::string());
        QCOMPARE(Rig.Find<QLabel>("labName")->text(), QStringLiteral("Live"));
        // A record with names of its own is not offered the text again.
        Rig.Edit([](QWidget* D) {
            QVERIFY(!Child<QPushButton>(D, "btnCdText")->isVisible());
            Click(D, "btnCancel");
        });
    }

    void ReferenceListsFromTheMenu() {
        TEditorRig Rig;
        QAction* Types = Rig.Handset->Menu().Item("mType");
        QVERIFY(Types);
        QCOMPARE(Types->text(), QStringLiteral("&Music type..."));
        QString Caption;
        OnNextDialog([&](QWidget* L) {
            Caption = L->windowTitle();
            Click(L, "btnCancel");
        });
        Types->trigger();
        QCOMPARE(Caption, QStringLiteral("Music types"));
        QVERIFY(QFileInfo::exists(QString::fromStdString(Rig.Home.File("type.fle"))));
    }
};

QTEST_MAIN(TDiscDataEditorTest)
#include "DiscDataEditorTest.moc"
