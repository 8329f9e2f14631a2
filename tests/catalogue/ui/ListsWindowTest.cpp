// The reference list editor with its entry window: reading, adding, editing, removing and saving.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "catalogue/ui/ListsWindow.h"
#include "support/TestSupport.h"

namespace {

void OnNextDialog(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
        if (QWidget* Dialog = QApplication::activeModalWidget()) Act(Dialog);
    });
}

// The entry window: types Name (cut to what fits) and presses OK.
void AnswerItem(const QString& Name, QString* Prompt = nullptr) {
    OnNextDialog([Name, Prompt](QWidget* Item) {
        if (Prompt) *Prompt = Item->findChild<QGroupBox*>("gbItem")->title();
        auto* Edit = Item->findChild<QLineEdit*>("edName");
        Edit->selectAll();
        QTest::keyClicks(Edit, Name);
        Item->findChild<QPushButton*>("btnOK")->click();
    });
}

QStringList Entries(const TfrmLists& Lists) {
    QStringList All;
    for (int i = 0; i < Lists.lbList->count(); ++i)
        All << Lists.lbList->item(i)->text();
    return All;
}

} // namespace

class TListsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void EditsAndSavesTheComposers() {
        TTempHome Home;
        TRecordingAnswerer Answers;
        TfrmLists Lists;
        Lists.ListType = 'C';
        Lists.show();
        QCOMPARE(Lists.windowTitle(), QStringLiteral("Composers"));
        QCOMPARE(Lists.labType->text(), QStringLiteral("Known composers"));
        QVERIFY(std::filesystem::exists(Home.File("composer.fle")));
        QCOMPARE(Lists.lbList->count(), 0);

        QString Prompt;
        AnswerItem(QStringLiteral("abba"), &Prompt);
        Lists.btnAdd->click();
        QCOMPARE(Prompt, QStringLiteral("Composer's name"));
        AnswerItem(QStringLiteral("ABBA"));
        Lists.btnAdd->click();
        AnswerItem(QStringLiteral("Bach"));
        Lists.btnAdd->click();
        QCOMPARE(Entries(Lists), (QStringList{"abba", "ABBA", "Bach"}));

        // Edit and Remove with nothing selected only say so.
        Lists.lbList->clearSelection();
        Lists.lbList->setCurrentRow(-1);
        Lists.btnEdit->click();
        Lists.btnRemove->click();
        QCOMPARE(Answers.Errors, (std::vector<std::string>{"Please select an item to edit.",
                                                           "Please select an item to delete."}));

        Lists.lbList->setCurrentRow(2);
        AnswerItem(QStringLiteral("Albinoni"));
        Lists.btnEdit->click();
        QCOMPARE(Entries(Lists), (QStringList{"abba", "ABBA", "Albinoni"}));
        Lists.lbList->setCurrentRow(0);
        Answers.Answers = {idNo, idYes};
        Lists.btnRemove->click();
        Lists.btnRemove->click();
        QCOMPARE(Answers.Questions.back(),
                 std::string("Are you sure you wish to delete the highlighted entry?"));
        QCOMPARE(Entries(Lists), (QStringList{"ABBA", "Albinoni"}));
        Lists.btnOK->click();
        QCOMPARE(ReadFileBytes(Home.File("composer.fle")), std::string("ABBA\r\nAlbinoni\r\n"));
    }

    void MusicTypesAreShorterWhenAdded() {
        TTempHome Home;
        TRecordingAnswerer Answers;
        WriteFileBytes(Home.File("type.fle"), "Waltz\r\n" + std::string(300, 'x') + "\r\nJazz\r\n");
        TfrmLists Lists;
        Lists.ListType = 'T';
        Lists.show();
        QCOMPARE(Lists.windowTitle(), QStringLiteral("Music types"));
        QCOMPARE(Entries(Lists).size(), 3);
        QCOMPARE(Lists.lbList->item(0)->text(), QStringLiteral("Jazz"));
        QCOMPARE(Lists.lbList->item(2)->text().size(), 255);
        const QString Long(60, QChar('m'));
        AnswerItem(Long);
        Lists.btnAdd->click();
        QCOMPARE(Lists.lbList->item(1)->text(), QString(30, QChar('m')));
        Lists.lbList->setCurrentRow(1);
        AnswerItem(Long);
        Lists.btnEdit->click();
        QCOMPARE(Lists.lbList->item(1)->text(), QString(50, QChar('m')));
        // Cancel keeps the file as it was.
        Lists.btnCancel->click();
        QCOMPARE(ReadFileBytes(Home.File("type.fle")).size(), std::size_t(7 + 302 + 6));
    }

    void AFailedSaveIsReportedAndKeepsTheWindow() {
        TTempHome Home;
        TRecordingAnswerer Answers;
        std::filesystem::create_directory(Home.File("label.fle.new"));
        TfrmLists Lists;
        Lists.ListType = 'L';
        Lists.show();
        AnswerItem(QStringLiteral("Decca"));
        Lists.btnAdd->click();
        Lists.btnOK->click();
        QCOMPARE(Answers.Errors.back(), std::string("Cannot save Record labels file! (Is a directory)"));
        // The window keeps what was added until OK can write it.
        QVERIFY(Lists.isVisible());
        std::filesystem::remove(Home.File("label.fle.new"));
        Lists.btnOK->click();
        QVERIFY(!Lists.isVisible());
        QCOMPARE(ReadFileBytes(Home.File("label.fle")), std::string("Decca\r\n"));
    }
};

QTEST_MAIN(TListsWindowTest)
#include "ListsWindowTest.moc"
