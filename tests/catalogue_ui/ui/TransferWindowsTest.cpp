// The export and import windows on a real catalogue in a fresh data folder, and their menu items.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "../../player/ui/HandsetRig.h"
#include "catalogue/CatalogueExport.h"
#include "catalogue_ui/ExportDialog.h"
#include "catalogue_ui/ImportDialog.h"
#include "player/ui/HandsetMenu.h"

namespace {

void AnswerNextDialog(const char* Button, std::function<void(QWidget*)> Check = {}) {
    QTimer::singleShot(0, [Button, Check] {
        QWidget* Dialog = QApplication::activeModalWidget();
        if (!Dialog) return;
        if (Check) Check(Dialog);
        Dialog->findChild<QPushButton*>(QString::fromLatin1(Button))->click();
    });
}

struct TFolder {
    TFolder() : Catalogue(Home.Dir(), Settings) {
        TDiscRecord Rec = NewDiscRecord("0000000000003039", 0, 0);
        Rec.DiscName = "Night Music";
        TStringGridData Grid;
        ResetDiscGrid(Grid, Rec.DiscCode);
        std::int32_t RecNo = 0;
        TDiscKeys Keys;
        Answers.Answers.push_back(idYes);
        Catalogue.SaveDisc(Rec, Grid, "", RecNo, Keys);
        Answers.Answers.clear();
    }
    TTempHome Home;
    TRecordingAnswerer Answers;
    TPlayerSettings Settings;
    TDiscCatalogue Catalogue;
};

} // namespace

class TTransferWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void ExportAsksBeforeOverwritingAndWritesTheChosenLayout() {
        TFolder F;
        TfrmExport Dialog(F.Catalogue);
        QCOMPARE(Dialog.edFile->text(), QString::fromStdString(F.Home.Dir() + "EXPORT.TXT"));
        QVERIFY(Dialog.rbComma->isChecked() && Dialog.rbDouble->isChecked() && Dialog.rbFixed->isChecked());
        QCOMPARE(Dialog.edFields->value(), 99);
        Dialog.rbSingle->click();
        QCOMPARE(Dialog.Layout().TextQuote, std::string("'"));
        Dialog.Button1->click();
        const TExportLayout L = Dialog.Layout(), V4 = Version4Layout();
        QVERIFY(L.FieldSeparator == V4.FieldSeparator && L.TextQuote.empty() && !L.FixedTracks && !L.Header &&
                L.Names && L.User1 && L.User2 && L.Times);
        QVERIFY(!Dialog.edFields->isEnabled());

        WriteFileBytes(F.Home.File("EXPORT.TXT"), "keep");
        F.Answers.Answers.push_back(idNo);
        Dialog.btnOK->click();
        QCOMPARE(F.Answers.Questions.back(), std::string(msgExportFileExists));
        QCOMPARE(ReadFileBytes(F.Home.File("EXPORT.TXT")), std::string("keep"));
        QCOMPARE(Dialog.result(), int(QDialog::Rejected));
        F.Answers.Answers.push_back(idYes);
        Dialog.btnOK->click();
        QCOMPARE(Dialog.result(), int(QDialog::Accepted));
        QCOMPARE(F.Answers.Errors.back(), "Exported 1 disc to " + F.Home.File("EXPORT.TXT") + ".");
        QVERIFY(
            ReadFileBytes(F.Home.File("EXPORT.TXT")).starts_with("[0000000000003039]\r\nNight Music\r\n"));
        Dialog.edFile->setText(QString::fromStdString(F.Home.File("no/such/folder/x.txt")));
        Dialog.btnOK->click();
        QCOMPARE(F.Answers.Errors.back(), std::string(msgCannotCreateExport));
    }

    void ImportTellsWhereTheFileWentWrong() {
        TFolder F;
        TfrmImport Dialog(F.Catalogue);
        // The file offered is the one the export writes: file names differ in case here.
        QCOMPARE(Dialog.edFile->text(), TfrmExport(F.Catalogue).edFile->text());
        Dialog.rbwin->click();
        QCOMPARE(Dialog.edFile->text(), QDir::homePath() + "/orbelune.ini");
        Dialog.rbv4->click();
        Dialog.btnOK->click();
        QCOMPARE(F.Answers.Errors.back(), std::string("File not found"));
        QVERIFY(Dialog.result() != QDialog::Accepted);

        WriteFileBytes(F.Home.File("EXPORT.TXT"),
                       "[0000000000000001]\nA\nB\nC\nD\nE\nF\nG\nH\n1990\n1.00\nmany\n");
        Dialog.btnOK->click();
        QCOMPARE(F.Answers.Errors.back(), "The import stopped at line 12 of " + F.Home.Dir() +
                                              "EXPORT.TXT: the track count is not a number. 0 discs were "
                                              "imported before it.");
        QCOMPARE(Dialog.result(), int(QDialog::Accepted));

        // Success closes with the counts.
        QVERIFY(ExportCatalogue(F.Catalogue, F.Home.File("EXPORT.TXT"), Version4Layout()).Ok);
        const std::size_t Told = F.Answers.Errors.size();
        Dialog.btnOK->click();
        QCOMPARE(F.Answers.Errors.size(), Told + 1);
        QCOMPARE(F.Answers.Errors.back(),
                 "Imported from " + F.Home.Dir() +
                     "EXPORT.TXT: 0 discs added, 0 merged, 1 skipped because they were "
                     "held already.");
    }

    void MenuItemsOpenTheWindows() {
        THandsetRig Rig;
        Rig.Handset->show();
        for (const auto& [Item, Title, Cancel] :
             {std::tuple{"Exportdatabase1", "Export CD database", "brnCancel"},
              {"Importdatabase1", "Import CD database", "btnCancel"}}) {
            QString Seen;
            AnswerNextDialog(Cancel, [&Seen](QWidget* D) { Seen = D->windowTitle(); });
            Rig.Handset->Menu().Item(QString::fromLatin1(Item))->trigger();
            QCOMPARE(Seen, QString::fromLatin1(Title));
        }
    }
};

QTEST_MAIN(TTransferWindowsTest)
#include "TransferWindowsTest.moc"
