// The help: a page for every context number with working links, F1 opening the topic of the window it
// is pressed in (also beside a modal dialog), Help contents, and the about box.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include "app/base/HelpTopics.h"
#include "app/base/LibraryVersions.h"
#include "app/ui/HelpKey.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/ProgramResources.h"
#include "player/ui/AboutBox.h"
#include "player/ui/HandsetMenu.h"
#include "player/ui/HandsetRig.h"
#include "player/ui/ModeDialog.h"

namespace {

QString PageText(const QString& Page) {
    QFile File(QStringLiteral(":/help/") + Page);
    return File.open(QIODevice::ReadOnly) ? QString::fromUtf8(File.readAll()) : QString();
}

QString ShownPage() {
    THelpWindow* Help = OpenHelpWindow();
    return Help ? Help->Browser().source().fileName() : QString();
}

} // namespace

class THelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        InitProgramResources();
        InstallHelpKey();
    }

    void EveryContextHasAPageWithWorkingLinks() {
        // The context numbers the program's windows and menu ask for.
        for (int Context : {1012, 1051, 1025, hcAbout, 1007, 1014, 1011, 1022, 1020, 1054, 1005, 1045, 1056,
                            1038, 1050, 1043, 1052, 1024, 1028, 1060}) {
            const THelpTopic* Topic = FindHelpTopic(Context);
            QVERIFY2(Topic, qPrintable(QString::number(Context)));
            const QString Text = PageText(QString::fromLatin1(Topic->Page));
            QVERIFY2(Text.contains(QStringLiteral("<h1>")) && Text.size() > 400, Topic->Page);
        }
        // The contents lead to every page.
        const QString Contents = PageText(QStringLiteral("contents.html"));
        for (const THelpTopic& Topic : HelpTopics())
            QVERIFY2(Topic.Context == hcContents || Contents.contains(QStringLiteral("href=\"") + Topic.Page),
                     Topic.Page);
        // Every link between pages, and every anchor a window asks for, leads somewhere.
        const QRegularExpression Link(QStringLiteral("href=\"([a-z]+\\.html)(#([a-z]+))?\""));
        QStringList Targets;
        for (const THelpTopic& Topic : HelpTopics()) {
            for (const auto& Match : Link.globalMatch(PageText(QString::fromLatin1(Topic.Page))))
                Targets << Match.captured(1) + '#' + Match.captured(3);
        }
        for (const char* Window : {"frmTracks", "frmItem", "frmAdjust", "frmLookupChooser"}) {
            const THelpPlace Place = HelpPlaceOfWindow(Window);
            Targets << QString::fromLatin1(FindHelpTopic(Place.Context)->Page) + '#' +
                           QString::fromStdString(Place.Anchor);
        }
        for (const QString& Target : Targets) {
            const QString Text = PageText(Target.section('#', 0, 0));
            const QString Anchor = Target.section('#', 1);
            QVERIFY2(!Text.isEmpty(), qPrintable(Target));
            if (!Anchor.isEmpty()) QVERIFY2(Text.contains("id=\"" + Anchor + '"'), qPrintable(Target));
        }
    }

    void F1OpensTheTopicOfTheWindow() {
        THandsetRig Rig;
        Rig.Handset->show();
        QTest::keyClick(Rig.Handset.get(), Qt::Key_F1);
        QCOMPARE(ShownPage(), QStringLiteral("handset.html"));
        QVERIFY(!OpenHelpWindow()->Browser().toPlainText().isEmpty());
        // The index shows where the browser is.
        auto* Index = OpenHelpWindow()->findChild<QListWidget*>("lbTopics");
        QCOMPARE(Index->currentItem()->data(Qt::UserRole).toInt(), hcHandset);

        // A window without a topic of its own takes the one of the window that opened it.
        QDialog Unnamed(Rig.Handset.get());
        QCOMPARE(HelpRequestFor(&Unnamed).Context, hcHandset);
        QDialog Alone;
        QCOMPARE(HelpRequestFor(&Alone).Context, hcContents);

        Rig.Handset->Menu().Item("Helpcontents1")->trigger();
        QCOMPARE(ShownPage(), QStringLiteral("contents.html"));

        // F1 in a modal dialog: the help window is usable beside it, and one that was open already
        // stays usable when a dialog opens.
        for (bool PressF1 : {true, false}) {
            TfrmMode Mode(Rig.Handset.get());
            QString Seen;
            QWindow* HelpParent = nullptr;
            QTimer::singleShot(0, &Mode, [&] {
                if (PressF1) QTest::keyClick(&Mode, Qt::Key_F1);
                Seen = ShownPage();
                HelpParent = OpenHelpWindow()->windowHandle()->transientParent();
                Mode.reject();
            });
            Mode.exec();
            if (PressF1) QCOMPARE(Seen, QStringLiteral("mode.html"));
            QCOMPARE(HelpParent, Mode.windowHandle());
        }

        TAboutBox About(Rig.Handset.get());
        About.show();
        QTest::keyClick(&About, Qt::Key_F1);
        QCOMPARE(OpenHelpWindow()->Browser().source().fileName(), QStringLiteral("about.html"));
    }

    void AboutBoxNamesVersionsAndDataFolder() {
        TTempHome Home;
        TAboutBox About;
        QCOMPARE(About.findChild<QLabel*>("Version")->text(),
                 QStringLiteral("Version ") + QString::fromLatin1(ProgramVersion()));
        const auto Libraries = LibraryVersions();
        QCOMPARE(Libraries.size(), std::size_t(4));
        for (const TLibraryVersion& Library : Libraries) {
            const QString Shown =
                About.findChild<QLabel*>(QStringLiteral("lib_") + QString::fromStdString(Library.Name))
                    ->text();
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+(\\.\\d+)?$")).match(Shown).hasMatch(),
                     qPrintable(Shown));
        }
        QCOMPARE(About.findChild<QLabel*>("labDataFolder")->text(), QString::fromStdString(Home.Dir()));
    }
};

QTEST_MAIN(THelpTest)
#include "HelpTest.moc"
