// The bookmark adjustment window: fields relative to track 1, the refusal of a start after the end, the
// spinner on the field last entered and the repeated preview.
#include <QLineEdit>
#include <QPushButton>

#include "devices/BookmarkFields.h"
#include "devices/ui/AdjustBookmark.h"
#include "player/ui/HandsetRig.h"

class TAdjustBookmarkTest : public QObject {
    Q_OBJECT

    static void Set(std::initializer_list<std::pair<QLineEdit*, const char*>> Fields) {
        for (const auto& [Edit, Text] : Fields)
            Edit->setText(QString::fromLatin1(Text));
    }

private slots:
    void Arithmetic() {
        const MSF Track1 = MakeMSF(0, 2, 0);
        const TMsfFields F = RelativeFields(MakeMSF(1, 12, 30), Track1);
        QCOMPARE(F.Minutes, 1);
        QCOMPARE(F.Seconds, 10);
        QCOMPARE(F.Frames, 30);
        QCOMPARE(AbsolutePosition(F, Track1), MakeMSF(1, 12, 30));
        QCOMPARE(AbsolutePosition({0, 59, 74}, MakeMSF(0, 2, 1)), MakeMSF(1, 2, 0)); // carries
        QCOMPARE(RelativeFields(MakeMSF(0, 1, 0), Track1).Seconds, 0); // before track 1: its start
    }

    void FieldsRefusalSpinnerAndRepeat() {
        THandsetRig Rig;
        Rig.Handset->show();
        Rig.Tick();
        Rig.State.BookmarkStart = MakeMSF(0, 12, 30);
        Rig.State.BookmarkEnd = MakeMSF(0, 17, 0);
        TfrmAdjust W(Rig.State, Rig.Cd);
        W.show();
        QCOMPARE(W.OvcSS->text(), QStringLiteral("10"));
        QCOMPARE(W.OvcSF->text(), QStringLiteral("30"));
        QCOMPARE(W.OvcES->text(), QStringLiteral("15"));

        Set({{W.OvcSM, "0"},
             {W.OvcSS, "10"},
             {W.OvcSF, "0"},
             {W.OvcEM, "0"},
             {W.OvcES, "5"},
             {W.OvcEF, "0"}});
        W.btnOK->click();
        QCOMPARE(Rig.Answers.Errors.back(), std::string(msgStartAfterEnd));
        QVERIFY(W.isVisible());
        W.btnRepeat->click(); // invalid: no play
        QVERIFY(!W.Timer.isActive());

        W.OvcSMEnter(W.OvcES);
        for (int I = 0; I < 5; ++I)
            W.Spin(1);
        QCOMPARE(W.OvcES->text(), QStringLiteral("10"));
        W.OvcSMEnter(W.OvcEF);
        W.Spin(-1);
        QCOMPARE(W.OvcEF->text(), QStringLiteral("00"));
        W.btnRepeat->click(); // equal start and end are accepted
        QCOMPARE(W.btnRepeat->text(), QStringLiteral("&Stop preview"));
        QVERIFY(W.Timer.isActive());
        QCOMPARE(Rig.State.BookmarkStart, MakeMSF(0, 12, 0));
        QCOMPARE(Rig.State.BookmarkEnd, MakeMSF(0, 12, 0));
        W.btnRepeat->click();
        QCOMPARE(W.btnRepeat->text(), QStringLiteral("&Repeat preview"));
        QVERIFY(!W.Timer.isActive());
        W.OvcSMEnter(W.OvcEF);
        W.Spin(80);
        QCOMPARE(W.OvcEF->text(), QStringLiteral("74"));
        W.btnOK->click();
        QVERIFY(!W.isVisible());
        QCOMPARE(Rig.State.BookmarkEnd, MakeMSF(0, 12, 74));
    }
};

QTEST_MAIN(TAdjustBookmarkTest)
#include "AdjustBookmarkTest.moc"
