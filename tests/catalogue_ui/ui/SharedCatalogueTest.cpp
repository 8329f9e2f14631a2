// The player and orbelune-cat on one catalogue: what the shell stores shows in the handset and survives
// the editor's OK, a change made while the editor is open is asked about, and an OK that cannot store
// (the shell holds the files, the disk is full) keeps the window open with everything typed.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "../../player/ui/HandsetRig.h"
#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/DiscEdit.h"
#include "player/ui/HandsetMenu.h"

namespace {

template <class T> T* Child(QWidget* Parent, const char* Name) {
    T* Found = Parent->findChild<T*>(QString::fromLatin1(Name));
    if (!Found) qFatal("no control %s", Name);
    return Found;
}

struct TStoredDisc {
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
};

struct TSharedRig : THandsetRig {
    TSharedRig() : THandsetRig(drSimulated) {
        Handset->show();
        Tick();
    }
    // Ctrl+D; Act runs while the editor is open and leaves it open or closed.
    void Edit(const std::function<void(QWidget*)>& Act) {
        QTimer::singleShot(0, [this, Act] {
            QWidget* Editor = QApplication::activeModalWidget();
            if (!Editor) qFatal("the editor did not open");
            Act(Editor);
            if (Editor->isVisible()) Child<QPushButton>(Editor, "btnCancel")->click();
        });
        Handset->Menu().Item("EditCD1")->trigger();
    }
    // Types Name in the editor and stores it with OK.
    void Store(const char* Name) {
        Edit([Name](QWidget* D) {
            Child<QLineEdit>(D, "edName")->setText(QString::fromLatin1(Name));
            Child<QPushButton>(D, "btnOK")->click();
        });
    }
    // orbelune-cat import --merge of the disc in the drive, named Name with tracks "Shell 1" to "Shell 12".
    void ShellImport(const std::string& Name) {
        std::string Text = "[" + Catalogue.CurrentDiscCode + "]\n" + Name +
                           "\nShell artist\nShell composer\n\nJazz\nLabel\n\n\n0\n36.00\n12\n";
        for (int T = 1; T <= 12; ++T)
            Text += "03.00\nShell " + std::to_string(T) + "\n\n\n";
        WriteFileBytes(Home.File("shell.txt"), Text);
        const std::string Command = "timeout 60 " + std::string(std::getenv("ORBELUNE_BUILD")) +
                                    "/orbelune-cat --dir " + Home.Dir() + " import --merge " +
                                    Home.File("shell.txt") + " >/dev/null";
        QCOMPARE(std::system(Command.c_str()), 0);
    }
    TStoredDisc StoredDisc() {
        TStoredDisc D;
        TDiscKeys Keys;
        std::int32_t RecNo = 0;
        Catalogue.LoadDisc(Catalogue.CurrentDiscCode, D.Rec, D.Grid, D.Memo, Keys, RecNo);
        return D;
    }
    long Asked() const {
        return std::count(Answers.Questions.begin(), Answers.Questions.end(),
                          std::string(msgStoredMeanwhile));
    }
    bool Told(const std::string& Part) const {
        for (const std::string& E : Answers.Errors)
            if (E.find(Part) != std::string::npos) return true;
        return false;
    }
};

} // namespace

class TSharedCatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void TheShellsChangeShowsAndSurvivesOk() {
        TSharedRig Rig;
        Rig.Store("Mine");
        Rig.ShellImport("From the shell");
        Rig.Tick();
        QCOMPARE(Rig.Find<QLabel>("labName")->text(), QStringLiteral("From the shell"));
        Rig.Edit([&](QWidget* D) {
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("From the shell"));
            {
                // Meanwhile another program gives the disc a picture: OK keeps it, and asks nothing.
                TPlayerSettings Settings;
                TDiscCatalogue Other(Rig.Home.Dir(), Settings);
                TStoredDisc O;
                TDiscKeys Keys;
                std::int32_t RecNo = 0;
                const std::string Code = Rig.Catalogue.CurrentDiscCode;
                Other.LoadDisc(Code, O.Rec, O.Grid, O.Memo, Keys, RecNo);
                TDiscEdit Edit(Other, O.Rec, O.Grid, O.Memo, Keys, RecNo, Code);
                QVERIFY(Edit.StorePicture(CopyFixture("bmp/g/pal4.bmp", Rig.Home.Path()).string()));
            }
            Child<QPushButton>(D, "btnOK")->click();
            QVERIFY(!D->isVisible());
        });
        QCOMPARE(Rig.Asked(), 0L);
        const TStoredDisc D = Rig.StoredDisc();
        QCOMPARE(D.Rec.DiscName, std::string("From the shell"));
        QCOMPARE(D.Grid.Cells(0, 3), std::string("Shell 3"));
        QVERIFY(D.Rec.PictureRef != 0);
    }

    void AChangeWhileTheEditorIsOpenIsAskedAbout_data() {
        QTest::addColumn<bool>("KeepTyped");
        QTest::newRow("keep what was typed") << true;
        QTest::newRow("reload the stored record") << false;
    }
    void AChangeWhileTheEditorIsOpenIsAskedAbout() {
        QFETCH(bool, KeepTyped);
        TSharedRig Rig;
        Rig.Store("Mine");
        Rig.Edit([&](QWidget* D) {
            Child<QLineEdit>(D, "edName")->setText(QStringLiteral("Typed"));
            Rig.ShellImport("Shell");
            Rig.Answers.Answers.push_back(KeepTyped ? idYes : idNo);
            Child<QPushButton>(D, "btnOK")->click();
            QCOMPARE(Rig.Asked(), 1L);
            QCOMPARE(D->isVisible(), !KeepTyped);
            if (KeepTyped) return;
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Shell"));
            Child<QPushButton>(D, "btnOK")->click();
            QVERIFY(!D->isVisible());
        });
        const TStoredDisc D = Rig.StoredDisc();
        QCOMPARE(D.Rec.DiscName, std::string(KeepTyped ? "Typed" : "Shell"));
        QCOMPARE(Rig.Find<QLabel>("labName")->text(), QString::fromStdString(D.Rec.DiscName));
    }

    void ARefusedOkKeepsTheTypingUntilItCanStore_data() {
        QTest::addColumn<bool>("Locked");
        QTest::addColumn<QString>("Cause");
        QTest::newRow("orbelune-cat holds the files") << true << QStringLiteral("orbelune-cat");
        QTest::newRow("the disk is full") << false << QStringLiteral("the disk is full");
    }
    void ARefusedOkKeepsTheTypingUntilItCanStore() {
        QFETCH(bool, Locked);
        QFETCH(QString, Cause);
        TSharedRig Rig;
        Rig.Store("Mine");
        Rig.Edit([&](QWidget* D) {
            Child<QLineEdit>(D, "edName")->setText(QStringLiteral("Typed"));
            Child<QPlainTextEdit>(D, "memDisc")->setPlainText(QStringLiteral("typed notes"));
            // The lock as another process takes it; a full disk as the store's writes meet it.
            int Fd = -1;
            if (Locked) {
                Fd = ::open(Rig.Home.File("disc.DAT").c_str(), O_RDONLY | O_CLOEXEC);
                QVERIFY(Fd >= 0 && ::flock(Fd, LOCK_EX | LOCK_NB) == 0);
            } else {
                Rig.Catalogue.fvlf.Vlf.WriteFault = [](std::int64_t, std::int64_t) { return false; };
            }
            Child<QPushButton>(D, "btnOK")->click();
            QVERIFY(D->isVisible());
            QVERIFY2(Rig.Told(Cause.toStdString()), Rig.Answers.Errors.back().c_str());
            QCOMPARE(Child<QLineEdit>(D, "edName")->text(), QStringLiteral("Typed"));
            if (Locked) {
                ::close(Fd);
            } else {
                QCOMPARE(Rig.StoredDisc().Rec.DiscName, std::string("Mine"));
                Rig.Catalogue.fvlf.Vlf.WriteFault = {};
            }
            Child<QPushButton>(D, "btnOK")->click();
            QVERIFY(!D->isVisible());
        });
        const TStoredDisc D = Rig.StoredDisc();
        QCOMPARE(D.Rec.DiscName, std::string("Typed"));
        QCOMPARE(D.Memo, Rig.Catalogue.CurrentDiscCode + "\r\ntyped notes");
        QVERIFY(CheckDiscCatalogue(Rig.Home.Dir()).Ok);
    }
};

QTEST_MAIN(TSharedCatalogueTest)
#include "SharedCatalogueTest.moc"
