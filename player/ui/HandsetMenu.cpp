#include "player/ui/HandsetMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <vector>

namespace {

struct TMenuEntry {
    const char* Menu; // caption of the drop-down menu, or nullptr for a command on the bar
    const char* Name; // nullptr: a separator
    const char* Caption;
    const char* Shortcut;
    bool Checkable;
    const char* Submenu = nullptr; // caption of the submenu the item stands in
};

const std::vector<TMenuEntry> MenuTable = {
    {"&File", "EditCD1", "Edit current CD &data record", "Ctrl+D", false},
    {"&File", "mComp", "&Composers...", "", false, "Reference &files"},
    {"&File", "mArt", "&Artists...", "", false, "Reference &files"},
    {"&File", "mLab", "&Record labels...", "", false, "Reference &files"},
    {"&File", "mType", "&Music type...", "", false, "Reference &files"},
    {"&File", "BrowseCDdatabase1", "Bro&wse CD database", "Ctrl+W", false},
    {"&File", "Exportdatabase1", "E&xport database...", "", false},
    {"&File", "Importdatabase1", "&Import database...", "", false},
    {"&File", "Rebuilddatabase1", "&Rebuild database", "", false},
    {"&File", nullptr, nullptr, nullptr, false},
    {"&File", "ConfigureOrbelune1", "&Configure Orbelune...", "", false},
    {"&File", "SelectCDRomdrive1", "&Select CD Rom drive...", "", false},
    {"&File", nullptr, nullptr, nullptr, false},
    {"&File", "Exit1", "Exi&t", "", false},
    {"Contr&ol", "Play1", "&Play", "Ctrl+P", false},
    {"Contr&ol", "Stop1", "&Stop", "Ctrl+S", false},
    {"Contr&ol", "Pause1", "Pa&use", "Ctrl+U", false},
    {"Contr&ol", nullptr, nullptr, nullptr, false},
    {"Contr&ol", "Nexttrack1", "&Next track", "Ctrl+N", false},
    {"Contr&ol", "Lasttrack1", "&Last track", "Ctrl+L", false},
    {"Contr&ol", "Startofcurrenttrack1", "&Beginning of current track", "Ctrl+B", false},
    {"Contr&ol", "Gototrack1", "Goto &track...", "Ctrl+T", false},
    {"Contr&ol", "Cust1", "Custom pr&ogramme...", "Ctrl+O", false},
    {"Contr&ol", "Fitt1", "&Fit tracks to time...", "Ctrl+F", false},
    {"Contr&ol", nullptr, nullptr, nullptr, false},
    {"Contr&ol", "Fastforward1", "Fast forward (&X)", "Ctrl+X", false},
    {"Contr&ol", "Fastrewind1", "Fast rewind (&Z)", "Ctrl+Z", false},
    {"Contr&ol", nullptr, nullptr, nullptr, false},
    {"Contr&ol", "OpenCDtray1", "&Eject CD", "Ctrl+E", false},
    {"Contr&ol", "CloseCDtray1", "&Close CD tray", "Ctrl+C", false},
    {"Contr&ol", nullptr, nullptr, nullptr, false},
    {"Contr&ol", "miVol", "&Volume control", "Ctrl+V", false},
    {"&Mode", "Modeofplay1", "&Mode of play...", "Ctrl+M", false},
    {"&Mode", "Repeatmode1", "&Repeat mode", "Ctrl+R", true},
    {"&Mode", "Autoplaymode1", "&Auto play mode", "Ctrl+A", true},
    {"&View", "miDiscData", "&CD data record", "", true},
    {"&View", "miExt", "&Extended options", "", true},
    {nullptr, "Small2", "Sm&all!", "", false},
    {"&Help", "Helpcontents1", "&Help contents", "", false},
    {"&Help", "Showhints1", "&Show hints", "", true},
    {"&Help", nullptr, nullptr, nullptr, false},
    {"&Help", "AboutOrbelune1", "&About Orbelune", "", false},
};

} // namespace

THandsetMenu::THandsetMenu(QMenuBar* Bar, const THandsetMenuHandlers& Handlers) {
    QMenu* Menu = nullptr;
    QMenu* Submenu = nullptr;
    QString MenuCaption;
    bool SeparatorPending = false;
    for (const TMenuEntry& Entry : MenuTable) {
        if (!Entry.Menu || MenuCaption != Entry.Menu) {
            Menu = Submenu = nullptr;
            MenuCaption = Entry.Menu ? Entry.Menu : "";
            SeparatorPending = false;
        }
        if (!Entry.Name) {
            SeparatorPending = Menu != nullptr;
            continue;
        }
        const auto Handler = Handlers.find(QString::fromLatin1(Entry.Name));
        if (Handler == Handlers.end()) continue;
        QAction* Action = nullptr;
        if (!Entry.Menu) {
            Action = Bar->addAction(QString::fromUtf8(Entry.Caption));
        } else {
            if (!Menu) Menu = Bar->addMenu(MenuCaption);
            if (SeparatorPending) Menu->addSeparator();
            SeparatorPending = false;
            QMenu* Parent = Menu;
            if (Entry.Submenu) {
                if (!Submenu || Submenu->title() != QString::fromUtf8(Entry.Submenu)) {
                    Submenu = Menu->addMenu(QString::fromUtf8(Entry.Submenu));
                    Submenu->menuAction()->setObjectName(QStringLiteral("Referencefiles1"));
                }
                Parent = Submenu;
            }
            Action = Parent->addAction(QString::fromUtf8(Entry.Caption));
        }
        Action->setObjectName(QString::fromLatin1(Entry.Name));
        Action->setShortcut(QKeySequence(QString::fromLatin1(Entry.Shortcut)));
        Action->setCheckable(Entry.Checkable);
        QObject::connect(Action, &QAction::triggered, Action, [Run = Handler->second] { Run(); });
        FItems[Action->objectName()] = Action;
    }
}

QAction* THandsetMenu::Item(const QString& Name) const {
    const auto Found = FItems.find(Name);
    return Found == FItems.end() ? nullptr : Found->second;
}

void THandsetMenu::SetEnabled(const QString& Name, bool Enabled) const {
    if (QAction* Action = Item(Name)) Action->setEnabled(Enabled);
}

void THandsetMenu::SetChecked(const QString& Name, bool Checked) const {
    if (QAction* Action = Item(Name)) Action->setChecked(Checked);
}

bool THandsetMenu::IsChecked(const QString& Name) const {
    QAction* Action = Item(Name);
    return Action && Action->isChecked();
}
