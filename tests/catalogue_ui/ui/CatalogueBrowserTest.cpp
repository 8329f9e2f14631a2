// The catalogue browser on real catalogue files: the tree in its orders, the filter, and what Delete and
// Attach leave in the catalogue.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue_ui/CatalogueBrowser.h"
#include "catalogue_ui/CatalogueTreeModel.h"
#include "support/TestSupport.h"

namespace {

struct TDiscSpec {
    const char* Code;
    const char* Name;
    const char* Composer;
    const char* User1 = "";
    const char* Track1 = "";
    bool TocPending = false;
};

struct TBrowserRig {
    TBrowserRig() {
        Answers.Answers.push_back(idYes); // create the catalogue
        Cat.OpenDiscFiles();
        Cat.CloseDiscFiles();
    }
    std::int32_t Add(const TDiscSpec& D) {
        TDiscRecord Rec = NewDiscRecord(D.Code, 1, 1);
        Rec.DiscName = D.Name;
        Rec.Composer = D.Composer;
        Rec.UserField1 = D.User1;
        Rec.TrackCount = 2;
        Rec.TocPending = D.TocPending;
        TStringGridData Grid;
        ResetDiscGrid(Grid, D.Code);
        Grid.SetCells(0, 1, D.Track1);
        TDiscKeys Keys;
        std::int32_t RecNo = 0;
        Cat.SaveDisc(Rec, Grid, std::string(D.Code) + "\nnotes", RecNo, Keys);
        return RecNo;
    }
    // The record stored under Code (RecNo 0 when none).
    std::pair<TDiscRecord, std::int32_t> Stored(const std::string& Code) {
        TDiscRecord Rec;
        TStringGridData Grid;
        std::string Memo;
        TDiscKeys Keys;
        std::int32_t RecNo = 0;
        Cat.LoadDisc(Code, Rec, Grid, Memo, Keys, RecNo);
        return {Rec, RecNo};
    }
    std::unique_ptr<TfrmCat> Open() {
        auto Form = std::make_unique<TfrmCat>(Cat, nullptr, [] {
            TDiscToc Toc;
            Toc.TrackCount = 7;
            Toc.TotalTime = 31.15;
            return Toc;
        });
        Form->show();
        return Form;
    }

    TTempHome Home;
    TRecordingAnswerer Answers;
    TPlayerSettings Settings;
    TDiscCatalogue Cat{Home.Dir(), Settings};
};

// The tree as text: top-level nodes, each group's discs after a colon.
QStringList TreeText(const TfrmCat& Form) {
    const TCatalogueTreeModel& M = Form.Model();
    QStringList Lines;
    for (int R = 0; R < M.rowCount(); ++R) {
        const QModelIndex Top = M.index(R, 0);
        QString Line = Top.data().toString();
        QStringList Children;
        for (int C = 0; C < M.rowCount(Top); ++C)
            Children << M.index(C, 0, Top).data().toString();
        if (!Children.isEmpty()) Line += ": " + Children.join(", ");
        Lines << Line;
    }
    return Lines;
}

QModelIndex Node(const TfrmCat& Form, const QString& Text, const QString& Group = {}) {
    const TCatalogueTreeModel& M = Form.Model();
    const QModelIndex Parent = Group.isEmpty()
                                   ? QModelIndex()
                                   : M.match(M.index(0, 0), Qt::DisplayRole, Group, 1, Qt::MatchExactly)[0];
    for (int R = 0; R < M.rowCount(Parent); ++R)
        if (M.index(R, 0, Parent).data().toString() == Text) return M.index(R, 0, Parent);
    qFatal("no node %s", qPrintable(Text));
}

// Typing, letters of any script included.
void Type(QWidget* Edit, const char* Text) {
    for (const QChar C : QString::fromUtf8(Text))
        QTest::sendKeyEvent(QTest::Click, Edit, Qt::Key_unknown, QString(C), Qt::NoModifier);
}

void Select(TfrmCat& Form, const QModelIndex& Index) {
    Form.TV->setCurrentIndex(Index);
}

const TDiscSpec Bach1{"00000000000000B1", "Zeta partitas", "Bach"};
const TDiscSpec Bach2{"00000000000000B2", "alpha cantatas", "Bach", "", "Aria"};
const TDiscSpec Bach3{"00000000000000B3", "Zeta partitas", "BACH", "bach, j.s."};
const TDiscSpec Dvorak{"00000000000000D1", "Slavonic dances", "Dvořák", "", "Dvořák: Furiant"};
const TDiscSpec Orphan{"00000000000000F1", "Imported", "Mozart", "", "", true};

} // namespace

class TCatalogueBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void TreeInEachOrder() {
        TBrowserRig Rig;
        for (const TDiscSpec& D : {Bach1, Bach2, Bach3, Dvorak, Orphan})
            Rig.Add(D);
        auto Form = Rig.Open();
        QCOMPARE(Form->labNo->text(), QStringLiteral("5"));
        QCOMPARE(TreeText(*Form), QStringList({"alpha cantatas", "Imported", "Slavonic dances",
                                               "Zeta partitas", "Zeta partitas"}));
        Form->rbComp->click();
        // Case-differing composers are groups of their own; discs sort by text within a group.
        QCOMPARE(TreeText(*Form), QStringList({"BACH: Zeta partitas", "Bach: alpha cantatas, Zeta partitas",
                                               "Dvořák: Slavonic dances", "Mozart: Imported"}));
        QVERIFY(Form->Model().Disc(Node(*Form, "Imported", "Mozart"))->TocPending);
        QVERIFY(!Form->Model().Disc(Node(*Form, "Mozart")));
    }

    void FilterIsOrJoinedAndCaseBlind() {
        TBrowserRig Rig;
        for (const TDiscSpec& D : {Bach1, Bach2, Bach3, Dvorak, Orphan})
            Rig.Add(D);
        Rig.Add({"00000000000000B4", "Bach motets", "Schütz"});
        auto Form = Rig.Open();
        Form->cbFilter->setChecked(true);
        QVERIFY(TreeText(*Form).isEmpty()); // no filter text: nothing passes
        Type(Form->edName, "bach");
        QCOMPARE(Form->edName->text(), QStringLiteral("BACH"));
        Form->btnRefresh->click();
        QCOMPARE(TreeText(*Form), QStringList({"Bach motets", "Zeta partitas"})); // name, user field 1
        Type(Form->edTrack, "dvořák");
        QCOMPARE(Form->edTrack->text(), QStringLiteral("DVOŘÁK"));
        Form->btnRefresh->click();
        QCOMPARE(TreeText(*Form), QStringList({"Bach motets", "Slavonic dances", "Zeta partitas"}));
        Form->edName->setText(QStringLiteral("STRASSE"));
        Type(Form->edRef, "straße");
        Form->btnRefresh->click(); // a letter that grows when upper-cased is matched, not cut
        QCOMPARE(TreeText(*Form), QStringList({"Slavonic dances"}));
        QVERIFY(Rig.Answers.Errors.empty());
    }

    void DeleteRemovesRecordKeysAndNode() {
        TBrowserRig Rig;
        for (const TDiscSpec& D : {Bach1, Bach2, Dvorak})
            Rig.Add(D);
        Rig.Cat.CurrentDiscCode = Dvorak.Code;
        Rig.Settings.DeletedRecordsPresent = false;
        {
            auto Form = Rig.Open();
            QCOMPARE(Form->labStatus->text(), QString());
            Form->rbComp->click();
            Select(*Form, Node(*Form, "Bach"));
            Form->btnDelete->click();
            QCOMPARE(Rig.Answers.Errors.back(),
                     std::string("Please first select the data record to delete."));
            Select(*Form, Node(*Form, "Slavonic dances", "Dvořák"));
            Rig.Answers.Answers.push_back(idYes);
            Form->btnDelete->click();
            QCOMPARE(Rig.Answers.Errors.back(),
                     std::string("You cannot delete the data record for the CD currently inserted."));
            Select(*Form, Node(*Form, "alpha cantatas", "Bach"));
            Rig.Answers.Answers.push_back(idNo);
            Form->btnDelete->click();
            QCOMPARE(Rig.Answers.Questions.back(),
                     std::string("Would you like to delete the CD data record called alpha cantatas?"));
            QCOMPARE(Rig.Stored(Bach2.Code).second, 2);
            Rig.Answers.Answers.push_back(idYes);
            Form->btnDelete->click();
            QCOMPARE(TreeText(*Form), QStringList({"Bach: Zeta partitas", "Dvořák: Slavonic dances"}));
            QCOMPARE(Form->labStatus->text(), QString()); // refreshed at the next opening only
        }
        QCOMPARE(Rig.Stored(Bach2.Code).second, 0);
        QVERIFY(Rig.Cat.OpenDiscFiles());
        QCOMPARE(KeyCount(Rig.Cat.DiscFile, kComposer), 2);
        QCOMPARE(CheckRecordFile(Rig.Cat.DiscFile), std::string());
        Rig.Cat.CloseDiscFiles();
        auto Again = Rig.Open();
        QCOMPARE(Again->labNo->text(), QStringLiteral("2"));
        QCOMPARE(Again->labStatus->text(), QStringLiteral("Unused space - Rebuild."));
    }

    // A folder that cannot be written: Delete says why it does nothing, and asks nothing first.
    void ReadOnlyFolderSaysWhyNothingIsDeleted() {
        TBrowserRig Rig;
        Rig.Add(Bach1);
        TReadOnlyFolder ReadOnly(Rig.Home.Path());
        if (!ReadOnly.Active()) QSKIP("cannot make a folder read-only here");
        Rig.Cat.SetReadOnly(true); // as a start in such a folder leaves it
        auto Form = Rig.Open();
        Select(*Form, Node(*Form, "Zeta partitas"));
        const std::size_t Asked = Rig.Answers.Questions.size();
        Form->btnDelete->click();
        QCOMPARE(Rig.Answers.Questions.size(), Asked);
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        QVERIFY(Rig.Answers.Errors[0].find(Rig.Home.Dir() + " cannot be written") != std::string::npos);
        QVERIFY(Rig.Answers.Errors[0].find("Zeta partitas cannot be deleted") != std::string::npos);
        QCOMPARE(TreeText(*Form), QStringList({"Zeta partitas"}));
    }

    void AttachJoinsDriveDiscToRecord() {
        TBrowserRig Rig;
        Rig.Add(Bach1);
        const std::int32_t Imported = Rig.Add(Orphan);
        Rig.Cat.CurrentDiscCode = "00000000000000C0"; // not stored: N = 0
        Rig.Cat.CurrentDiscRecNo = 0;
        auto Form = Rig.Open();
        Select(*Form, Node(*Form, "Imported"));
        Form->btnAttach->click();
        QVERIFY(Rig.Answers.Questions.size() == 1); // only the creation of the catalogue was asked
        QCOMPARE(Rig.Cat.CurrentDiscRecNo, Imported);
        const auto [Rec, RecNo] = Rig.Stored("00000000000000C0");
        QCOMPARE(RecNo, Imported);
        QCOMPARE(Rec.DiscName, std::string("Imported"));
        QVERIFY(!Rec.TocPending);
        QCOMPARE(Rec.TrackCount, 7);
        QCOMPARE(Rig.Stored(Orphan.Code).second, 0);
        QVERIFY(!Form->Model().Disc(Node(*Form, "Imported"))->TocPending); // the tree was built again

        Select(*Form, Node(*Form, "Imported"));
        Rig.Answers.Answers.push_back(idYes); // the drive's disc is stored now: the question comes first
        Form->btnAttach->click();
        QCOMPARE(Rig.Answers.Errors.back(), std::string("The CD is already attached to this data record."));

        // The drive's disc has a record of its own (N > 0): it goes once the user agrees.
        Select(*Form, Node(*Form, "Zeta partitas"));
        Rig.Answers.Answers.push_back(idYes);
        Form->btnAttach->click();
        QCOMPARE(
            Rig.Answers.Questions.back(),
            std::string("There is a current data record for this CD, if you continue it will be deleted. "
                        "Do you wish to attach the CD to Zeta partitas?"));
        QCOMPARE(TreeText(*Form), QStringList({"Zeta partitas"}));
        QCOMPARE(Rig.Stored("00000000000000C0").first.DiscName, std::string("Zeta partitas"));
        QVERIFY(Rig.Cat.OpenDiscFiles());
        QCOMPARE(KeyCount(Rig.Cat.DiscFile, kDiscCode), 1);
        QCOMPARE(CheckRecordFile(Rig.Cat.DiscFile), std::string());
        Rig.Cat.CloseDiscFiles();
    }

    void DamagedCatalogueShowsWhatItCanAndTellsOnce() {
        TBrowserRig Rig;
        Rig.Add(Bach1);
        const std::int32_t Lost = Rig.Add(Bach2);
        Rig.Add(Dvorak);
        // A record deleted behind the index's back: its keys lead to a free slot.
        QVERIFY(Rig.Cat.OpenDiscFiles());
        DeleteRecord(Rig.Cat.DiscFile, Lost);
        Rig.Cat.CloseDiscFiles();
        auto Form = Rig.Open();
        QCOMPARE(TreeText(*Form), QStringList({"Slavonic dances", "Zeta partitas"}));
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        Form->rbArt->click();
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
    }
};

QTEST_MAIN(TCatalogueBrowserTest)
#include "CatalogueBrowserTest.moc"
