// The settings dialog opened from the handset: the enabled rules of the colour items, what Cancel and OK
// leave in the settings file and on the handset, and the automatic-play box.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "../../player/ui/HandsetRig.h"
#include "app/base/AutoPlayHandler.h"
#include "app/base/ColourValues.h"
#include "dialogs/SettingsDialog.h"
#include "player/ui/HandsetMenu.h"
#include "player/ui/LedDisplay.h"

namespace {

void OnNextDialog(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
        if (QWidget* Dialog = QApplication::activeModalWidget()) Act(Dialog);
    });
}

template <class T> T* Child(QWidget* Parent, const char* Name) {
    T* Found = Parent->findChild<T*>(QString::fromLatin1(Name));
    if (!Found) qFatal("no control %s", Name);
    return Found;
}

// Picks Colour as the foreground of the time display in the open settings dialog.
void ChooseTimeColour(QWidget* Dialog, const QColor& Colour) {
    Child<QRadioButton>(Dialog, "rbTime")->click();
    OnNextDialog([Colour](QWidget* Picker) {
        static_cast<QColorDialog*>(Picker)->setCurrentColor(Colour);
        static_cast<QDialog*>(Picker)->accept();
    });
    Child<QPushButton>(Dialog, "btnFore")->click();
}

bool HasColour(const QImage& Image, const QColor& Colour) {
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixelColor(x, y).rgb() == Colour.rgb()) return true;
    return false;
}

const QColor NewInk(200, 30, 150);

} // namespace

class TSettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(Xdg.isValid());
        qputenv("XDG_CONFIG_HOME", (Xdg.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (Xdg.path() + "/data").toUtf8());
        qputenv("XDG_DATA_DIRS", (Xdg.path() + "/system").toUtf8());
    }

    void ColourItemsEnableTheirButtons() {
        TTempHome Home;
        TPlayerSettings Settings;
        Tfrmconf Dialog(Settings);
        const struct {
            const char* Item;
            bool Fore, Back;
        } Rules[] = {{"rbTime", true, true},   {"rbTrack", true, true},    {"rbSelect", true, false},
                     {"rbVolBar", true, true}, {"rbVolBack", false, true}, {"rbHandBack", false, true},
                     {"rbDisc", true, true},   {"rbSmall", true, false}};
        for (const auto& Rule : Rules) {
            Child<QRadioButton>(&Dialog, Rule.Item)->click();
            QVERIFY2(Child<QPushButton>(&Dialog, "btnFore")->isEnabled() == Rule.Fore, Rule.Item);
            QVERIFY2(Child<QPushButton>(&Dialog, "btnBack")->isEnabled() == Rule.Back, Rule.Item);
        }
        // Sizes a damaged file may hold are shown as the defaults.
        Settings.DisplayFontSize = 500;
        Settings.TrackWindowFontSize = 0;
        Dialog.SetSettings(Settings);
        TPlayerSettings Back;
        Dialog.GetSettings(Back);
        QCOMPARE(Back.DisplayFontSize, TPlayerSettings().DisplayFontSize);
        QCOMPARE(Back.TrackWindowFontSize, TPlayerSettings().TrackWindowFontSize);
    }

    void CancelKeepsEverythingButAutomaticPlay() {
        THandsetRig Rig;
        Rig.Handset->show();
        WriteFileBytes(MimeAppsFileName(), "[Default Applications]\nx-content/audio-cdda=old.desktop\n");
        const std::string Stored = ReadFileBytes(SettingsFileName());
        const QImage Digit = Rig.Handset->Led().DigitBitmap(8);
        OnNextDialog([](QWidget* Dialog) {
            ChooseTimeColour(Dialog, NewInk);
            Child<QSpinBox>(Dialog, "edSkip")->setValue(45);
            Child<QCheckBox>(Dialog, "cbAuto")->click();
            static_cast<QDialog*>(Dialog)->reject();
        });
        Rig.Handset->Menu().Item("ConfigureOrbelune1")->trigger();
        QCOMPARE(Rig.Handset->Led().DigitBitmap(8), Digit);
        QVERIFY(Rig.Answers.Errors.empty());
        TPlayerSettings After;
        LoadSettings(After);
        QCOMPARE(After.DisplayFontColor, clLime);
        QCOMPARE(After.SkipTime, 0.30);
        QVERIFY(After.AutoPlayHandler);
        QCOMPARE(After.PreviousCommandLine, std::string("old.desktop"));
        QCOMPARE(DefaultApplication(ReadFileBytes(MimeAppsFileName()), AudioCdContentType),
                 std::string(OrbeluneDesktopEntry));

        // A file the box cannot use: a message, and the box and settings stay as the file is.
        WriteFileBytes(MimeAppsFileName(), std::string("\0\xff", 2));
        OnNextDialog([](QWidget* Dialog) {
            auto* cbAuto = Child<QCheckBox>(Dialog, "cbAuto");
            QVERIFY(cbAuto->isChecked());
            cbAuto->click();
            QVERIFY(cbAuto->isChecked());
            static_cast<QDialog*>(Dialog)->reject();
        });
        Rig.Handset->Menu().Item("ConfigureOrbelune1")->trigger();
        QCOMPARE(Rig.Answers.Errors.size(), std::size_t(1));
        QVERIFY(Rig.Settings.AutoPlayHandler);
        QCOMPARE(ReadFileBytes(MimeAppsFileName()), std::string("\0\xff", 2));
    }

    // The time display is bold: the font dialog opens on its real font, bold, and a larger size alone
    // keeps bold; the display then lays itself out for the font.
    void FontDialogOpensOnTheDisplayFontAndASizeKeepsBold() {
        THandsetRig Rig;
        Rig.Handset->show();
        QVERIFY(Rig.Settings.DisplayBold);
        bool OpenedBold = false;
        QString OpenedFamily;
        OnNextDialog([&](QWidget* Dialog) {
            Child<QRadioButton>(Dialog, "rbTimeFont")->click();
            OnNextDialog([&](QWidget* Picker) {
                auto* Fonts = static_cast<QFontDialog*>(Picker);
                OpenedBold = Fonts->currentFont().bold();
                OpenedFamily = Fonts->currentFont().family();
                QFont Font = Fonts->currentFont();
                Font.setPointSize(12);
                Fonts->setCurrentFont(Font);
                Fonts->accept();
            });
            Child<QPushButton>(Dialog, "btnFont")->click();
            static_cast<QDialog*>(Dialog)->accept();
        });
        Rig.Handset->Menu().Item("ConfigureOrbelune1")->trigger();
        QVERIFY(OpenedBold);
        QCOMPARE(OpenedFamily, QFontInfo(Rig.Handset->Led().DisplayFont()).family());
        TPlayerSettings After;
        LoadSettings(After);
        QVERIFY(After.DisplayBold);
        QCOMPARE(After.DisplayFontSize, 12);

        // Every text of the display fits beside or above the others.
        const QFontMetrics Metrics(Rig.Handset->Led().DisplayFont());
        const auto* Mode = Child<QWidget>(Rig.Handset.get(), "imgMode");
        const auto* Time = Child<QWidget>(Rig.Handset.get(), "imgTime");
        const auto* Display = Child<QWidget>(Rig.Handset.get(), "Display");
        const auto* Panel = Child<QWidget>(Rig.Handset.get(), "panDisplay");
        QVERIFY(Mode->width() >= Metrics.horizontalAdvance("Mode: Shuffle"));
        QVERIFY(Mode->height() > Metrics.tightBoundingRect("Mode: Shuffle").height());
        QVERIFY(Mode->geometry().right() < Display->x());
        QVERIFY(Display->width() >=
                Metrics.horizontalAdvance("Elapsed") + Metrics.horizontalAdvance("Remaining"));
        QVERIFY(Rig.Handset->Led().RemainingLeft() + 55 <= Display->width());
        QVERIFY(Rig.Handset->Led().TimesTop() > 2 + Metrics.ascent() + Metrics.descent());
        QVERIFY(Time->geometry().bottom() < Panel->height());
        QVERIFY(Display->geometry().bottom() < Panel->height());
        // The controls around it make room.
        QVERIFY(Child<QWidget>(Rig.Handset.get(), "ImgPanel")->x() > Panel->geometry().right());
        QVERIFY(Child<QWidget>(Rig.Handset.get(), "btnPlay")->y() > Panel->geometry().bottom());
    }

    void OkStoresAndRedrawsTheHandset() {
        THandsetRig Rig;
        Rig.Handset->show();
        QVERIFY(!HasColour(Rig.Handset->Led().DigitBitmap(8), NewInk));
        OnNextDialog([](QWidget* Dialog) {
            ChooseTimeColour(Dialog, NewInk);
            Child<QSpinBox>(Dialog, "edSkip")->setValue(45);
            // Storing at once follows looking up.
            QVERIFY(!Child<QCheckBox>(Dialog, "cbLookupStore")->isEnabled());
            Child<QCheckBox>(Dialog, "cbLookupNew")->setChecked(true);
            Child<QCheckBox>(Dialog, "cbLookupStore")->setChecked(true);
            Child<QLineEdit>(Dialog, "edContact")->setText(QStringLiteral(" me@example.org "));
            // A time display font chosen in a style that is not bold is stored as not bold.
            Child<QRadioButton>(Dialog, "rbTimeFont")->click();
            OnNextDialog([](QWidget* Picker) {
                QFont Font = static_cast<QFontDialog*>(Picker)->currentFont();
                for (const QString& Style : QFontDatabase::styles(Font.family()))
                    if (!QFontDatabase::bold(Font.family(), Style)) {
                        Font.setStyleName(Style);
                        break;
                    }
                Font.setBold(false);
                static_cast<QFontDialog*>(Picker)->setCurrentFont(Font);
                static_cast<QDialog*>(Picker)->accept();
            });
            Child<QPushButton>(Dialog, "btnFont")->click();
            static_cast<QDialog*>(Dialog)->accept();
        });
        Rig.Handset->Menu().Item("ConfigureOrbelune1")->trigger();
        QVERIFY(HasColour(Rig.Handset->Led().DigitBitmap(8), NewInk));
        TPlayerSettings After;
        LoadSettings(After);
        QCOMPARE(ColorToQColor(After.DisplayFontColor), NewInk);
        QCOMPARE(After.SkipTime, 0.45);
        QVERIFY(!After.DisplayBold);
        QVERIFY(After.LookupNewDiscs && After.StoreLookedUpDiscs);
        QCOMPARE(After.LookupContact, std::string("me@example.org"));
        QCOMPARE(After.HandsetBackground, clBtnFace); // a system colour stays one
        QVERIFY(Rig.Answers.Errors.empty());
    }

private:
    QTemporaryDir Xdg;
};

QTEST_MAIN(TSettingsDialogTest)
#include "SettingsDialogTest.moc"
