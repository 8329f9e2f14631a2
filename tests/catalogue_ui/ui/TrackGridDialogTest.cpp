// The track grid dialog: insert, delete and dragged rows with the numbers staying in place, and the
// headings of the current cell.
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/base/Settings.h"
#include "catalogue_ui/TrackGridDialog.h"

namespace {

QString Column(QTableWidget* Grid, int Column) {
    QStringList Texts;
    for (int r = 0; r < Grid->rowCount(); ++r)
        Texts << (Column < 0 ? Grid->verticalHeaderItem(r)->text() : Grid->item(r, Column)->text());
    return Texts.join(' ');
}

} // namespace

class TTrackGridDialogTest : public QObject {
    Q_OBJECT
private slots:
    void RowsMoveWhileNumbersStay() {
        TPlayerSettings Settings;
        TfrmEdTr Dialog(Settings);
        TStringGridData Tracks(3, 6);
        for (int t = 1; t <= 5; ++t) {
            Tracks.SetCells(0, t, std::string(1, char('a' + t - 1)));
            Tracks.SetCells(1, t, "u" + std::to_string(t));
        }
        Dialog.SetTracks(5, Tracks);
        Dialog.show();
        QTableWidget* Grid = Dialog.edTracks;
        QCOMPARE(Grid->horizontalHeaderItem(1)->text(), QStringLiteral("Artist"));
        QCOMPARE(Column(Grid, -1), QStringLiteral("1 2 3 4 5"));

        Grid->setCurrentCell(2, 1);
        QCOMPARE(Grid->verticalHeaderItem(2)->foreground().color(), QColor(0, 0, 255));
        QCOMPARE(Grid->horizontalHeaderItem(1)->foreground().color(), QColor(0, 0, 255));
        QVERIFY(Grid->verticalHeaderItem(0)->foreground().style() == Qt::NoBrush);
        Dialog.btnInsert->click();
        QCOMPARE(Column(Grid, 0), QStringLiteral("a b  c d"));
        QCOMPARE(Column(Grid, 1), QStringLiteral("u1 u2  u3 u4"));
        Dialog.btnDelete->click();
        QCOMPARE(Column(Grid, 0), QStringLiteral("a b c d "));

        // Dragging row 2 below row 4.
        Grid->verticalHeader()->moveSection(1, 3);
        QCOMPARE(Column(Grid, -1), QStringLiteral("1 2 3 4 5"));
        QCOMPARE(Grid->verticalHeader()->visualIndex(1), 1);
        QCOMPARE(Column(Grid, 0), QStringLiteral("a c d b "));

        const TStringGridData Back = Dialog.Tracks();
        QCOMPARE(Back.Cells(0, 4), std::string("b"));
        QCOMPARE(Back.Cells(1, 4), std::string("u2"));
    }

    void NoTracksShowOnlyTheHeadings() {
        TPlayerSettings Settings;
        TfrmEdTr Dialog(Settings);
        Dialog.SetTracks(0, TStringGridData(3, 1));
        Dialog.show();
        QCOMPARE(Dialog.edTracks->rowCount(), 0);
        Dialog.btnInsert->click();
        Dialog.btnDelete->click();
        QCOMPARE(Dialog.Tracks().RowCount(), 1);
    }
};

QTEST_MAIN(TTrackGridDialogTest)
#include "TrackGridDialogTest.moc"
