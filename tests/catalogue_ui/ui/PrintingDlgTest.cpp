// The print buttons' path through the print dialog, the progress window and its Abort button.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "catalogue/CatalogueReports.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/PdfPrintTarget.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue_ui/CataloguePrinting.h"
#include "catalogue_ui/PrintingDlg.h"
#include "support/TestSupport.h"

namespace {

std::string PdfText(const std::string& File) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), QString::fromStdString(File), QStringLiteral("-")});
    pdftotext.waitForFinished(30000);
    return pdftotext.readAllStandardOutput().toStdString();
}

// A catalogue of Count discs, several pages long, in a fresh data folder.
struct TFolder {
    explicit TFolder(int Count) {
        Settings.CollectorName = "Ada Example";
        Cat = std::make_unique<TDiscCatalogue>(Home.Dir(), Settings);
        Answers.Answers.push_back(idYes); // create the catalogue
        for (int i = 1; i <= Count; ++i) {
            TDiscRecord rec =
                NewDiscRecord(QStringLiteral("%1").arg(i, 16, 16, QLatin1Char('0')).toStdString(), 1, 1);
            rec.DiscName = "Disc " + std::to_string(i);
            rec.Composer = "Composer " + std::to_string(i % 5);
            TStringGridData grid;
            ResetDiscGrid(grid, rec.DiscCode);
            TDiscKeys keys;
            std::int32_t recNo = 0;
            Cat->SaveDisc(rec, grid, rec.DiscCode, recNo, keys);
            RecNos.push_back(recNo);
        }
        Answers.Answers.clear();
    }
    ~TFolder() {
        Cat.reset();
        if (RecordEngineInitialized()) DoneRecordEngine();
    }
    TTempHome Home;
    TRecordingAnswerer Answers;
    TPlayerSettings Settings;
    std::unique_ptr<TDiscCatalogue> Cat;
    std::vector<std::int32_t> RecNos;
};

} // namespace

class TPrintingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void AbortDiscardsTheReportAtItsEnd() {
        TFolder f(120);
        std::string error;
        const auto tree = CatalogueTreeOrder(f.Home.Dir(), kComposer, error);
        QVERIFY(error.empty());
        TPrintingDlg& dialog = PrintingDlg();
        QString printerLabel;
        int pageShown = 0;
        // Pressed while the second page prints; the report still runs to its end.
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            const QString page = dialog.findChild<QLabel*>("PageLabel")->text();
            if (page == QStringLiteral("Page: 2") &&
                dialog.findChild<QPushButton*>("AbortButton")->isEnabled()) {
                printerLabel = dialog.findChild<QLabel*>("PrinterLabel")->text();
                pageShown = 2;
                dialog.findChild<QPushButton*>("AbortButton")->click();
            }
        });
        poll.start(0);
        const std::string file = f.Home.File("aborted.pdf");
        TPdfPrintTarget target(file);
        TPrintLayout layout(target, &dialog);
        f.Cat->OpenDiscFiles();
        const bool done = PrintCatalogueReport(
            layout, kComposer, tree,
            [&](std::int32_t RecNo, TDiscRecord& Rec) {
                TDiscRecordBytes bytes;
                if (!ReadDiscRecord(f.Cat->DiscFile, RecNo, bytes)) return false;
                Rec = DecodeDiscRecord(bytes);
                return true;
            },
            f.Settings);
        f.Cat->CloseDiscFiles();
        QVERIFY(done);
        QCOMPARE(pageShown, 2);
        QCOMPARE(printerLabel, QStringLiteral("Printing on ") + QString::fromStdString(file));
        QVERIFY(layout.Page.Aborted);
        QVERIFY(layout.Page.PageNumber > 2);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!std::filesystem::exists(file));
    }

    void PrintsTheSelectedDiscThroughThePrintDialog() {
        TFolder f(3);
        PrintCDClick(nullptr, *f.Cat, 0);
        QCOMPARE(f.Answers.Errors, std::vector<std::string>{"Please first select the CD to be printed."});

        // The print dialog, told to print into a file.
        const std::string file = f.Home.File("disc.pdf");
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
                name->setText(QString::fromStdString(file));
            dialog->accept();
        });
        f.Answers.Answers.push_back(idNo); // no user fields
        PrintCDClick(nullptr, *f.Cat, f.RecNos[1]);
        QCOMPARE(f.Answers.Questions.back(),
                 std::string("Do you wish to include the user defined fields for the track listing?"));
        const std::string text = PdfText(file);
        QVERIFY2(text.find("Disc 2") != std::string::npos, text.c_str());
        QVERIFY(text.find("Collector: Ada Example") != std::string::npos);

        // The next print proposes the file printed into, also after a restart (the settings keep it).
        TPlayerSettings saved;
        LoadSettingsFrom(f.Home.File("ORBELUNE.INI"), saved);
        QCOMPARE(saved.PrintFile, file);
        QString proposed;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
                proposed = name->text();
            dialog->reject();
        });
        f.Answers.Answers.push_back(idNo);
        PrintCDClick(nullptr, *f.Cat, f.RecNos[1]);
        QCOMPARE(proposed, QString::fromStdString(file));
    }
};

QTEST_MAIN(TPrintingDlgTest)
#include "PrintingDlgTest.moc"
