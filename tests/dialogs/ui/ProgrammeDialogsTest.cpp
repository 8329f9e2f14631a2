// The custom programme editor and fit tracks, opened from the handset's menu on the disc in the drive.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "player/ui/HandsetMenu.h"
#include "player/ui/HandsetRig.h"

namespace {

// Runs Use on the next modal window once it is shown, then presses its button Close.
void UseNextDialog(const char* Close, std::function<void(QWidget*)> Use) {
    QTimer::singleShot(0, [Close, Use] {
        QWidget* Dialog = QApplication::activeModalWidget();
        if (!Dialog) return;
        Use(Dialog);
        Dialog->findChild<QPushButton*>(QString::fromLatin1(Close))->click();
    });
}

void Click(QWidget* Dialog, const char* Button) {
    Dialog->findChild<QPushButton*>(QString::fromLatin1(Button))->click();
}

QString Rows(QWidget* Dialog, const char* List) {
    QStringList Numbers;
    auto* L = Dialog->findChild<QListWidget*>(QString::fromLatin1(List));
    for (int i = 0; i < L->count(); ++i)
        Numbers << L->item(i)->text().left(2).trimmed();
    return Numbers.join(' ');
}

QString Total(QWidget* Dialog) {
    return Dialog->findChild<QLabel*>("labTime")->text();
}

std::vector<int> Programme(const TDiscRecord& Rec) {
    return {Rec.Programme.Entries.begin(), Rec.Programme.Entries.begin() + Rec.Programme.Count};
}

} // namespace

class TProgrammeDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void CustomProgrammeRepeatsTracksAndCancelKeepsIt() {
        THandsetRig Rig; // 12 tracks of 03.00
        Rig.Handset->show();
        Rig.Tick();
        UseNextDialog("btnOK", [](QWidget* D) {
            QCOMPARE(D->windowTitle(), QStringLiteral("Custom programme"));
            auto* Src = D->findChild<QListWidget*>("SrcList");
            QCOMPARE(Src->count(), 12);
            QVERIFY(!D->findChild<QPushButton*>("btnRemove")->isEnabled());
            Src->item(4)->setSelected(true);
            Click(D, "btnInclude");
            Click(D, "btnInclude");
            Src->item(4)->setSelected(false);
            Src->item(0)->setSelected(true);
            Click(D, "btnInclude");
            QCOMPARE(Rows(D, "DstList"), QStringLiteral("5 5 1"));
            QCOMPARE(Total(D), QStringLiteral("09.00"));
            D->findChild<QListWidget*>("DstList")->item(2)->setSelected(true);
            Click(D, "btnUp");
            QCOMPARE(Rows(D, "DstList"), QStringLiteral("5 1 5"));
        });
        Rig.Handset->Menu().Item("Cust1")->trigger();
        QCOMPARE(Programme(Rig.Catalogue.CurrentDisc), (std::vector<int>{5, 1, 5}));
        UseNextDialog("btnCancel", [](QWidget* D) {
            QCOMPARE(Rows(D, "DstList"), QStringLiteral("5 1 5"));
            Click(D, "btnClear");
        });
        Rig.Handset->Menu().Item("Cust1")->trigger();
        QCOMPARE(Programme(Rig.Catalogue.CurrentDisc), (std::vector<int>{5, 1, 5}));
    }

    void FitTracksChoosesAndRefusesABadTarget() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) { S.FitTracksTime = 10.00; });
        Rig.Handset->show();
        Rig.Tick();
        UseNextDialog("btnOK", [&Rig](QWidget* D) {
            auto* Time = D->findChild<QLineEdit*>("edTime");
            QCOMPARE(Time->text(), QStringLiteral("10.00"));
            Time->setText(QStringLiteral("45.60"));
            Click(D, "btnAny");
            QCOMPARE(Rig.Answers.Errors.back(), std::string("Value out of range - Please enter mm.ss"));
            QCOMPARE(Rows(D, "DstList"), QString());
            Time->setText(QStringLiteral("10.00"));
            Click(D, "btnAny");
            QCOMPARE(Rows(D, "DstList"), QStringLiteral("1 2 3"));
            QCOMPARE(Total(D), QStringLiteral("09.00"));
            QCOMPARE(D->findChild<QListWidget*>("SrcList")->count(), 9);
            Click(D, "btnExch");
            QCOMPARE(Rows(D, "SrcList"), QStringLiteral("1 2 3"));
            Click(D, "btnExch");
        });
        Rig.Handset->Menu().Item("Fitt1")->trigger();
        QCOMPARE(Programme(Rig.Catalogue.CurrentDisc), (std::vector<int>{1, 2, 3}));
        QCOMPARE(Rig.Settings.FitTracksTime, 10.00);
    }
};

QTEST_MAIN(TProgrammeDialogsTest)
#include "ProgrammeDialogsTest.moc"
