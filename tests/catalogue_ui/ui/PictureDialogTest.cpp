// The picture dialog: the stored picture shown, Load refusing what is no picture, Clear and Save as.
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "catalogue_ui/PictureDialog.h"
#include "support/TestSupport.h"

class TPictureDialogTest : public QObject {
    Q_OBJECT
private slots:
    void LoadsClearsAndSaves() {
        TTempHome Home;
        TRecordingAnswerer Answers;
        QImage Red(300, 100, QImage::Format_RGB32);
        Red.fill(Qt::red);
        QVERIFY(Red.save(QString::fromStdString(Home.File("disc.bmp")), "BMP"));
        TfrmBitmap Dialog(Home.File("disc.bmp"));
        Dialog.show();
        QCOMPARE(Dialog.windowTitle(), QStringLiteral("CD bitmap form"));
        QCOMPARE(Dialog.imgBit->pixmap().size(), QSize(211, 211));
        QCOMPARE(Dialog.PictureFileName, std::string());

        const QString Bad = QString::fromStdString((TestDataDir() / "bmp/b/badrle.bmp").string());
        QVERIFY(!Dialog.LoadPicture(Bad));
        QCOMPARE(Answers.Errors.size(), std::size_t(1));
        QCOMPARE(Dialog.PictureFileName, std::string());
        QCOMPARE(Dialog.Picture().pixel(0, 0), QColor(Qt::red).rgb());

        QImage Blue(20, 20, QImage::Format_ARGB32);
        Blue.fill(Qt::blue);
        const QString Png = QString::fromStdString(Home.File("blue.png"));
        QVERIFY(Blue.save(Png));
        QVERIFY(Dialog.LoadPicture(Png));
        QCOMPARE(Dialog.PictureFileName, Png.toStdString());
        QCOMPARE(Dialog.imgBit->pixmap().toImage().pixel(100, 100), QColor(Qt::blue).rgb());
        const QString Saved = QString::fromStdString(Home.File("saved.bmp"));
        QVERIFY(Dialog.SavePicture(Saved));
        QCOMPARE(QImage(Saved).size(), QSize(20, 20));
        QVERIFY(ReadFileBytes(Home.File("saved.bmp")).starts_with("BM"));

        Dialog.btnClear->click();
        QCOMPARE(Dialog.PictureFileName, std::string("..."));
        QVERIFY(Dialog.imgBit->pixmap().isNull());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(Home.File("disc.bmp"))));
    }
};

QTEST_MAIN(TPictureDialogTest)
#include "PictureDialogTest.moc"
