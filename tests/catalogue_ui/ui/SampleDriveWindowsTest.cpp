// The sample player and the drive chooser, on their own and opened from the handset's button and menu,
// with the catalogue rebuild of the same menu.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "../../player/ui/HandsetRig.h"
#include "catalogue_ui/CatalogueBrowser.h"
#include "catalogue_ui/DriveChooser.h"
#include "catalogue_ui/SampleDisplay.h"
#include "catalogue_ui/SamplePlayer.h"
#include "player/ui/HandsetMenu.h"

namespace {

void AnswerNextDialog(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
        if (QWidget* Dialog = QApplication::activeModalWidget()) Act(Dialog);
    });
}

std::int32_t AddDisc(TDiscCatalogue& Cat, const std::string& Code, const std::string& Name,
                     const std::string& Wave = {}) {
    TDiscRecord Rec = NewDiscRecord(Code, 1, 1);
    Rec.DiscName = Name;
    if (!Wave.empty() && Cat.OpenDiscVlf()) {
        Rec.SampleRef = Cat.fvlf.Vlf.StoreFile(0, Wave, VlfKindSample);
        Cat.CloseDiscVlf();
    }
    TStringGridData Grid;
    ResetDiscGrid(Grid, Code);
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    Cat.SaveDisc(Rec, Grid, Code, RecNo, Keys);
    return RecNo;
}

QStringList Items(const QListWidget* List) {
    QStringList Lines;
    for (int R = 0; R < List->count(); ++R)
        Lines << List->item(R)->data(Qt::UserRole).toString();
    return Lines;
}

std::pair<int, std::string> SavedDrive() {
    TPlayerSettings Saved;
    LoadSettings(Saved);
    return {Saved.CDROMInUse, Saved.CDROMDrive};
}

} // namespace

class TSampleDriveWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void SampleListLinesArePaddedAndMarked() {
        const struct {
            const char* Code;
            bool Sample;
            const char* Name;
            const char* Line;
        } Cases[] = {
            {"00000000000000B1", true, "Partitas", "00000000000000B1YPartitas"},
            {"AB12", false, "Dvořák", "AB12            NDvořák"},
            {"", false, "", "                N"},
        };
        for (const auto& C : Cases)
            QCOMPARE(SampleListItem(C.Code, C.Sample, C.Name), std::string(C.Line));
    }

    void SelectedDiscPlaysItsSample() {
        THandsetRig Rig;
        const std::string Wave = CopyFixture("wav/cpython/pluck-pcm16.wav", Rig.Home.Path()).string();
        AddDisc(Rig.Catalogue, "00000000000000C3", "cantatas");
        AddDisc(Rig.Catalogue, "AB12", "Brandenburg", Wave);
        AddDisc(Rig.Catalogue, "00000000000000A1", "Alto arias");
        TfrmSelectPlay Form(Rig.Catalogue, &Rig.Wave);
        Form.show();
        QCOMPARE(Items(Form.lbDisc),
                 QStringList({"00000000000000A1NAlto arias", "AB12            YBrandenburg",
                              "00000000000000C3Ncantatas"}));
        Form.btnSelected->click();
        QCOMPARE(Rig.Answers.Errors.back(),
                 std::string("Please select a disc whose sample is to be played."));
        Form.lbDisc->setCurrentRow(0);
        Form.btnSelected->click();
        QCOMPARE(Rig.Answers.Errors.back(), std::string("Selected disk does not have a recorded sample."));
        const std::size_t Told = Rig.Answers.Errors.size();
        Rig.Catalogue.CurrentDiscCode = "00000000000000C3"; // in the drive, without a sample
        Form.btnCurrent->click();
        QVERIFY(!Form.Sample->Playing());

        Form.lbDisc->setCurrentRow(1);
        emit Form.lbDisc->itemDoubleClicked(Form.lbDisc->currentItem());
        QVERIFY(Form.Sample->Playing());
        QVERIFY(Form.Sample->btnStop->isEnabled());
        QCOMPARE(Form.Sample->labStart->text(), QStringLiteral("0"));
        QVERIFY(Form.Sample->labEnd->text().trimmed().toDouble() > 0);
        Form.Sample->btnStop->click();
        QVERIFY(!Form.Sample->Playing() && Form.Sample->labEnd->text().isEmpty());
        QCOMPARE(Rig.Answers.Errors.size(), Told);
    }

    void DriveChooserListsDrivesAndWantsAChoice() {
        TTempHome Home;
        TRecordingAnswerer Answers;
        const auto A = CopyFixture("cd-images/cdda/cdda.cue", Home.Path());
        CopyFixture("cd-images/cdda/cdda.bin", Home.Path());
        SetVirtualDrives({A.string(), A.string()});
        const int First = AddVirtualDrive(A.string()); // after the machine's own drives
        TfrmCD Chooser(DriveCount(), -1);
        QCOMPARE(Chooser.lbDrives->count(), DriveCount());
        QCOMPARE(Chooser.lbDrives->item(First + 1)->text(),
                 QString::fromStdString("CD ROM " + std::to_string(First + 1) + " <" + A.string() + ">"));
        Chooser.btnOK->click();
        QCOMPARE(Answers.Errors.back(), std::string("Please select a drive to use."));
        Chooser.lbDrives->setCurrentRow(First + 1);
        Chooser.btnOK->click();
        QCOMPARE(Chooser.result(), int(QDialog::Accepted));
        QCOMPARE(Chooser.CDROMInUse, First + 1);
        SetVirtualDrives({});
    }

    void ChosenDriveIsOpenedAndKept() {
        TTempHome Images;
        const auto A = CopyFixture("cd-images/cdda/cdda.cue", Images.Path());
        CopyFixture("cd-images/cdda/cdda.bin", Images.Path());
        const auto B = CopyFixture("cd-images/cdtext-3track/cdtext.cue", Images.Path());
        for (const char* Part : {"cdtext.bin", "cdtext.cdt"})
            CopyFixture(std::string("cd-images/cdtext-3track/") + Part, Images.Path());
        SetVirtualDrives({A.string(), B.string()});
        const int First = AddVirtualDrive(A.string());
        THandsetRig Rig(THandsetRig::drProgram, [First](TPlayerSettings& S) { S.CDROMInUse = First; });
        Rig.Handset->show();
        QCOMPARE(Rig.Cd.DriveName(), A.string());
        QAction* Item = Rig.Handset->Menu().Item(QStringLiteral("SelectCDRomdrive1"));
        const auto Choose = [&](int Drive) {
            AnswerNextDialog([Drive](QWidget* D) {
                D->findChild<QListWidget*>(QStringLiteral("lbDrives"))->setCurrentRow(Drive);
                D->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
            });
            Item->trigger();
        };
        Choose(First + 1);
        QCOMPARE(Rig.Cd.DriveName(), B.string());
        QCOMPARE(SavedDrive(), std::pair(First + 1, B.string()));
        Rig.Tick();
        QCOMPARE(Rig.Catalogue.CurrentDiscCode, Rig.Cd.GetDiscIdentity()); // the new drive's disc is read

        std::filesystem::remove(A); // a drive gone since it was listed: told, and the settings keep the last
        Choose(First);
        QVERIFY(!Rig.Answers.Errors.empty());
        QVERIFY(!Rig.Cd.CDOpen);
        QCOMPARE(Rig.Settings.CDROMInUse, First + 1);
        QCOMPARE(SavedDrive(), std::pair(First + 1, B.string()));
        SetVirtualDrives({});
    }

    // "Disc image..." opens an image before listing it; Enter then chooses OK. The images named stay listed,
    // the demo disc with them, and are listed again at the next start.
    void ChooserChecksImagesAndTheyAreKept() {
        TTempHome Images;
        const auto Good = CopyFixture("cd-images/cdda/cdda.cue", Images.Path()).string();
        CopyFixture("cd-images/cdda/cdda.bin", Images.Path());
        const std::string Bad = Images.File("bad.cue");
        WriteFileBytes(Bad, "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        SetVirtualDrives({});
        const bool NoDrive = DriveList().back().Kind == dkDemo;
        TPlayerSettings Saved;
        {
            THandsetRig Rig(THandsetRig::drProgram);
            Rig.Handset->show();
            const int Listed = DriveCount();
            QAction* Item = Rig.Handset->Menu().Item(QStringLiteral("SelectCDRomdrive1"));
            // Names Image with "Disc image..." and presses Enter where the focus was, on that button.
            const auto Name = [&](const std::string& Image) {
                AnswerNextDialog([Image](QWidget* D) {
                    auto* Chooser = qobject_cast<TfrmCD*>(D);
                    AnswerNextDialog([Image](QWidget* F) {
                        auto* Files = qobject_cast<QFileDialog*>(F);
                        Files->selectFile(QString::fromStdString(Image));
                        static_cast<QDialog*>(Files)->accept(); // QFileDialog hides accept()
                    });
                    Chooser->btnImage->click();
                    Chooser->btnImage->setFocus();
                    QTest::keyClick(Chooser->btnImage, Qt::Key_Return);
                    if (Chooser->isVisible()) Chooser->reject();
                });
                Item->trigger();
            };
            const std::size_t Told = Rig.Answers.Errors.size();
            Name(Bad);
            QCOMPARE(Rig.Answers.Errors.size(), Told + 1);
            QVERIFY(Rig.Answers.Errors.back().find("bad.cue cannot be played") != std::string::npos);
            QCOMPARE(DriveCount(), Listed);
            Name(Good);
            QCOMPARE(Rig.Answers.Errors.size(), Told + 1);
            QCOMPARE(DriveCount(), Listed + 1);
            QCOMPARE(Rig.Cd.DriveName(), Good);
            QCOMPARE(DriveList().back().Kind == dkDemo, NoDrive);
            LoadSettings(Saved);
            QCOMPARE(Saved.DiscImages, std::vector<std::string>{Good});
        }
        SetVirtualDrives({}); // as a new run starts
        THandsetRig Rig(THandsetRig::drProgram, [&Saved](TPlayerSettings& S) { S = Saved; });
        Rig.Handset->show();
        QCOMPARE(Rig.Cd.DriveName(), Good);
        QCOMPARE(VirtualDrives(), std::vector<std::string>{Good});
        SetVirtualDrives({});
    }

    void KeptImageIsOpenedAtTheNextStart() {
        TTempHome Images;
        const auto B = CopyFixture("cd-images/cdda/cdda.cue", Images.Path());
        CopyFixture("cd-images/cdda/cdda.bin", Images.Path());
        SetVirtualDrives({});
        THandsetRig Rig(THandsetRig::drProgram, [&B](TPlayerSettings& S) {
            S.CDROMInUse = 5; // numbered in another run
            S.CDROMDrive = B.string();
        });
        Rig.Handset->show();
        QCOMPARE(Rig.Cd.DriveName(), B.string());
        QCOMPARE(DriveLabel(Rig.Settings.CDROMInUse),
                 "CD ROM " + std::to_string(Rig.Settings.CDROMInUse) + " <" + B.string() + ">");
        SetVirtualDrives({});
    }

    void HandsetOpensSamplePlayerAndRebuildsFromTheMenu() {
        THandsetRig Rig;
        AddDisc(Rig.Catalogue, "00000000000000A1", "Alto arias");
        Rig.Catalogue.DeleteDisc(AddDisc(Rig.Catalogue, "00000000000000A2", "Bass arias"));
        QVERIFY(Rig.Settings.DeletedRecordsPresent);
        Rig.Answers.Answers.push_back(idYes);
        Rig.Handset->Menu().Item(QStringLiteral("Rebuilddatabase1"))->trigger();
        QVERIFY(!Rig.Settings.DeletedRecordsPresent);
        QCOMPARE(Rig.Answers.Errors, std::vector<std::string>{"The catalogue has been rebuilt: 1 disc."});
        {
            TfrmCat Browser(Rig.Catalogue, nullptr, {});
            Browser.show();
            QCOMPARE(Browser.labNo->text(), QStringLiteral("1"));
            QCOMPARE(Browser.labStatus->text(), QString());
        }
        Rig.Handset->show();
        auto* Button = Rig.Find<QToolButton>("btnPlaySamp");
        QVERIFY(Button->isEnabled());
        QStringList Seen;
        AnswerNextDialog([&Seen](QWidget* D) {
            Seen = Items(D->findChild<QListWidget*>(QStringLiteral("lbDisc")));
            D->close();
        });
        Button->click();
        QCOMPARE(Seen, QStringList({"00000000000000A1NAlto arias"}));
    }
};

QTEST_MAIN(TSampleDriveWindowsTest)
#include "SampleDriveWindowsTest.moc"
