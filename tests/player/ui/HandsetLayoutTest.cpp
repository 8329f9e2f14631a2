// The handset's four sizes under the View toggles, the disc data panel's rows, and the main menu.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "HandsetRig.h"
#include "app/ui/HintControl.h"
#include "player/ui/DiscDataPanel.h"
#include "player/ui/HandsetMenu.h"

class THandsetLayoutTest : public QObject {
    Q_OBJECT

    static QSize Client(THandsetRig& Rig) { return Rig.Handset->centralWidget()->size(); }

    static TPlayerSettings Stored(THandsetRig&) {
        TPlayerSettings S;
        LoadSettingsFrom(SettingsFileName(), S);
        return S;
    }

private slots:
    void SizesFollowTheViewToggles() {
        THandsetRig Rig;
        Rig.Handset->show();
        const THandsetSizes& Sizes = Rig.Handset->Sizes();
        auto* DData = Rig.Find<TDiscDataPanel>("DData");
        auto* Label1 = Rig.Find<QLabel>("Label1");
        const int H = Label1->sizeHint().height();
        QCOMPARE(DData->height(), 4 * H + 14);
        QCOMPARE(Sizes.HeightWithData, 144 + 4 * H + 14 + 7);
        QCOMPARE(Sizes.HeightPlain, 144);
        QCOMPARE(Sizes.WidthExtended, 392);
        QCOMPARE(Sizes.WidthPlain, 241);
        QCOMPARE(Client(Rig), QSize(392, Sizes.HeightWithData));
        QVERIFY(Rig.Handset->Menu().IsChecked("miDiscData"));
        QVERIFY(Rig.Handset->Menu().IsChecked("miExt"));
        // Rows and the value column.
        QCOMPARE(Rig.Find<QLabel>("Label2")->y(), H + 3);
        QCOMPARE(Rig.Find<QLabel>("Label4")->y(), 3 * H + 5);
        QCOMPARE(Rig.Find<QLabel>("labArt")->y(), 3 * H + 5);
        QCOMPARE(Rig.Find<QLabel>("labName")->x(), Rig.Find<QLabel>("Label3")->sizeHint().width() + 8);

        Rig.Handset->Menu().Item("miExt")->trigger();
        // Plain: nothing of the track strip shows, whatever the frame.
        const int Plain = Rig.Find<QFrame>("ImgPanel")->x();
        QCOMPARE(Client(Rig), QSize(Plain, Sizes.HeightWithData));
        QCOMPARE(DData->width(), Plain - 24);
        QVERIFY(!Rig.Handset->Menu().IsChecked("miExt"));
        QVERIFY(!Stored(Rig).ShowExtendedHandset);

        Rig.Handset->Menu().Item("miDiscData")->trigger();
        QCOMPARE(Client(Rig), QSize(Plain, 144));
        QVERIFY(!Stored(Rig).ShowDiscData);

        Rig.Handset->Menu().Item("miExt")->trigger();
        QCOMPARE(Client(Rig), QSize(392, 144));
        QCOMPARE(DData->width(), 392 - 24);
        Rig.Handset->Menu().Item("miDiscData")->trigger();
        QCOMPARE(Client(Rig), QSize(392, Sizes.HeightWithData));
        // The window holds the menu bar above the client area.
        QCOMPARE(Rig.Handset->height(), Sizes.HeightWithData + Rig.Handset->menuBar()->height());
    }

    void StartsInTheStoredView() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) {
            S.ShowDiscData = false;
            S.ShowExtendedHandset = false;
        });
        Rig.Handset->show();
        QCOMPARE(Client(Rig), QSize(Rig.Find<QFrame>("ImgPanel")->x(), 144));
        QVERIFY(!Rig.Handset->Menu().IsChecked("miDiscData"));
        QVERIFY(!Rig.Handset->Menu().IsChecked("miExt"));
        // The plain view still shows the transport buttons and the four beside them.
        for (const char* Name : {"btnPlay", "btnStart", "btnRepeat", "btnTrack", "btnMode", "btnBeg"}) {
            const QRect Place = Rig.Find<QToolButton>(Name)->geometry();
            QVERIFY2(QRect(QPoint(0, 0), Client(Rig)).contains(Place), Name);
        }
    }

    void MenuCaptionsShortcutsAndSeparators() {
        THandsetRig Rig;
        THandsetMenu& Menu = Rig.Handset->Menu();
        struct {
            const char* Name;
            const char* Caption;
            const char* Shortcut;
        } const Items[] = {
            {"EditCD1", "Edit current CD &data record", "Ctrl+D"},
            {"mComp", "&Composers...", ""},
            {"mType", "&Music type...", ""},
            {"BrowseCDdatabase1", "Bro&wse CD database", "Ctrl+W"},
            {"ConfigureOrbelune1", "&Configure Orbelune...", ""},
            {"Exit1", "Exi&t", ""},
            {"Play1", "&Play", "Ctrl+P"},
            {"Pause1", "Pa&use", "Ctrl+U"},
            {"Startofcurrenttrack1", "&Beginning of current track", "Ctrl+B"},
            {"Gototrack1", "Goto &track...", "Ctrl+T"},
            {"Cust1", "Custom pr&ogramme...", "Ctrl+O"},
            {"Fastforward1", "Fast forward (&X)", "Ctrl+X"},
            {"Fastrewind1", "Fast rewind (&Z)", "Ctrl+Z"},
            {"CloseCDtray1", "&Close CD tray", "Ctrl+C"},
            {"miVol", "&Volume control", "Ctrl+V"},
            {"Autoplaymode1", "&Auto play mode", "Ctrl+A"},
            {"miDiscData", "&CD data record", ""},
            {"miExt", "&Extended options", ""},
            {"Helpcontents1", "&Help contents", ""},
            {"Showhints1", "&Show hints", ""},
            {"AboutOrbelune1", "&About Orbelune", ""},
        };
        for (const auto& Item : Items) {
            QAction* Action = Menu.Item(Item.Name);
            QVERIFY2(Action, Item.Name);
            QCOMPARE(Action->text(), QString::fromUtf8(Item.Caption));
            QCOMPARE(Action->shortcut(), QKeySequence(QString::fromLatin1(Item.Shortcut)));
        }
        for (const char* Checked : {"Repeatmode1", "Autoplaymode1", "miDiscData", "miExt", "Showhints1"})
            QVERIFY(Menu.Item(Checked)->isCheckable());
        QVERIFY(!Menu.Item("Helpcontents1")->isCheckable());

        // Each drop-down menu in order, "-" for a separator; an item whose window the program does not
        // have yet is left out, its separators stay.
        const std::pair<QString, QString> Expected[] = {
            {"&File", "EditCD1 Referencefiles1 BrowseCDdatabase1 Exportdatabase1 Importdatabase1 "
                      "Rebuilddatabase1 - ConfigureOrbelune1 SelectCDRomdrive1 - Exit1"},
            {"Contr&ol", "Play1 Stop1 Pause1 - Nexttrack1 Lasttrack1 Startofcurrenttrack1 Gototrack1 Cust1 "
                         "Fitt1 - Fastforward1 Fastrewind1 - OpenCDtray1 CloseCDtray1 - miVol"},
            {"&Mode", "Modeofplay1 Repeatmode1 Autoplaymode1"},
            {"&View", "miDiscData miExt"},
            {"&Help", "Helpcontents1 Showhints1 - AboutOrbelune1"},
        };
        const QList<QAction*> Bar = Rig.Handset->menuBar()->actions();
        for (const auto& [Title, Entries] : Expected) {
            QStringList Want;
            for (const QString& Name : Entries.split(' ')) {
                if (Name == "-" || Name == "Referencefiles1" || Menu.Item(Name)) Want << Name;
            }
            const auto Drop =
                std::find_if(Bar.begin(), Bar.end(), [&](QAction* A) { return A->text() == Title; });
            QVERIFY2(Drop != Bar.end() && (*Drop)->menu(), qPrintable(Title));
            QStringList Got;
            for (QAction* Action : (*Drop)->menu()->actions())
                Got << (Action->isSeparator() ? QStringLiteral("-") : Action->objectName());
            QCOMPARE(Got.join(' '), Want.join(' '));
        }
        QStringList Submenu;
        for (QAction* Action : qobject_cast<QMenu*>(Menu.Item("mComp")->parent())->actions())
            Submenu << Action->objectName();
        QCOMPARE(Submenu.join(' '), QStringLiteral("mComp mArt mLab mType"));
        QStringList Titles;
        for (QAction* Action : Bar)
            Titles << Action->text();
        QCOMPARE(Titles.join(' '), QStringLiteral("&File Contr&ol &Mode &View Sm&all! &Help"));
    }

    void SettingsTogglesAreStoredAtOnce() {
        THandsetRig Rig;
        THandsetMenu& Menu = Rig.Handset->Menu();
        QVERIFY(!Menu.IsChecked("Autoplaymode1"));
        Menu.Item("Autoplaymode1")->trigger();
        QVERIFY(Rig.Settings.AutoPlayOnStartup);
        QVERIFY(Menu.IsChecked("Autoplaymode1"));
        QVERIFY(Stored(Rig).AutoPlayOnStartup);

        QVERIFY(Menu.IsChecked("Showhints1"));
        QVERIFY(HintsShown());
        Menu.Item("Showhints1")->trigger();
        QVERIFY(!HintsShown());
        QVERIFY(!Stored(Rig).ShowHints);
        Menu.Item("Showhints1")->trigger();
        QVERIFY(HintsShown());
    }

    void VolumeControlStartsTheMixer() {
        THandsetRig Rig(THandsetRig::drSimulated, [](TPlayerSettings& S) { S.MixerControl = "/bin/true"; });
        Rig.Handset->Menu().Item("miVol")->trigger();
        QCOMPARE(Rig.Answers.Started, std::vector<std::string>{"/bin/true"});
    }
};

QTEST_MAIN(THandsetLayoutTest)
#include "HandsetLayoutTest.moc"
