#include "app/ui/HelpWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "app/base/HelpTopics.h"
#include "app/ui/ProgramResources.h"

namespace {

const QString PageFolder = QStringLiteral("qrc:/help/");

QPointer<THelpWindow> Instance;

QToolButton* MakeButton(const char* Name, const QString& Caption, const QString& Hint, QWidget* Parent) {
    auto* Button = new QToolButton(Parent);
    Button->setObjectName(QString::fromLatin1(Name));
    Button->setText(Caption);
    Button->setToolTip(Hint);
    Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return Button;
}

} // namespace

THelpWindow::THelpWindow(QWidget* Parent) : QWidget(Parent, Qt::Window) {
    InitProgramResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Orbelune Help"));
    // An open help window must not keep the program running once the handset has closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    btnBack =
        MakeButton("btnBack", QStringLiteral("&Back"), QStringLiteral("Previous page (Alt+Left)"), this);
    btnForward =
        MakeButton("btnForward", QStringLiteral("&Forward"), QStringLiteral("Next page (Alt+Right)"), this);
    auto* btnContents = MakeButton("btnContents", QStringLiteral("&Contents"),
                                   QStringLiteral("The list of all topics"), this);
    auto* btnClose =
        MakeButton("btnClose", QStringLiteral("Cl&ose"), QStringLiteral("Close help (Esc)"), this);

    lbTopics = new QListWidget(this);
    lbTopics->setObjectName(QStringLiteral("lbTopics"));
    lbTopics->setToolTip(QStringLiteral("Index: click a topic to show it."));
    for (const THelpTopic& Topic : HelpTopics()) {
        auto* Item = new QListWidgetItem(QString::fromUtf8(Topic.Title), lbTopics);
        Item->setData(Qt::UserRole, Topic.Context);
    }
    lbTopics->sortItems();
    // The contents stay at the top, the index below them in order of titles.
    for (int Row = 0; Row < lbTopics->count(); ++Row) {
        if (lbTopics->item(Row)->data(Qt::UserRole).toInt() == hcContents)
            lbTopics->insertItem(0, lbTopics->takeItem(Row));
    }
    lbTopics->setWordWrap(true);
    lbTopics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("Browser"));
    FBrowser->setOpenExternalLinks(true);
    FBrowser->document()->setDefaultStyleSheet(QStringLiteral(
        "h1 { font-size: x-large; } h2 { font-size: large; margin-top: 14px; } "
        "th { text-align: left; background-color: #e4e4e4; padding: 2px 6px; } td { padding: 2px 6px; } "
        "p.nav { margin-top: 18px; }"));

    auto* Split = new QSplitter(this);
    Split->addWidget(lbTopics);
    Split->addWidget(FBrowser);
    Split->setStretchFactor(1, 1);
    Split->setSizes({200, 540});

    auto* Buttons = new QHBoxLayout;
    for (QToolButton* Button : {btnBack, btnForward, btnContents})
        Buttons->addWidget(Button);
    Buttons->addStretch();
    Buttons->addWidget(btnClose);
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Buttons);
    Layout->addWidget(Split);
    resize(760, 580);

    connect(btnBack, &QToolButton::clicked, FBrowser, &QTextBrowser::backward);
    connect(btnForward, &QToolButton::clicked, FBrowser, &QTextBrowser::forward);
    connect(btnContents, &QToolButton::clicked, this, [this] { ShowTopic(hcContents); });
    connect(btnClose, &QToolButton::clicked, this, &QWidget::close);
    connect(FBrowser, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(FBrowser, &QTextBrowser::forwardAvailable, btnForward, &QWidget::setEnabled);
    connect(FBrowser, &QTextBrowser::sourceChanged, this, &THelpWindow::SourceChanged);
    // A click, or Enter for the keyboard.
    for (auto Signal : {&QListWidget::itemClicked, &QListWidget::itemActivated})
        connect(lbTopics, Signal, this,
                [this](QListWidgetItem* Item) { ShowTopic(Item->data(Qt::UserRole).toInt()); });
    btnBack->setEnabled(false);
    btnForward->setEnabled(false);
}

void THelpWindow::ShowTopic(int Context, const QString& Anchor) {
    const THelpTopic* Topic = FindHelpTopic(Context);
    if (!Topic) Topic = FindHelpTopic(hcContents);
    QUrl Page(PageFolder + QString::fromLatin1(Topic->Page));
    if (!Anchor.isEmpty()) Page.setFragment(Anchor);
    // The page shown already is not put in the history a second time.
    if (Page != FBrowser->source()) FBrowser->setSource(Page);
}

void THelpWindow::SourceChanged(const QUrl& Source) {
    // The index follows the page, whichever way it was reached. The browser announces a page before it
    // makes it its source, so the name comes from the announcement.
    const QString Page = Source.fileName();
    for (int Row = 0; Row < lbTopics->count(); ++Row) {
        const THelpTopic* Topic = FindHelpTopic(lbTopics->item(Row)->data(Qt::UserRole).toInt());
        if (Topic && Page == QString::fromLatin1(Topic->Page)) lbTopics->setCurrentRow(Row);
    }
    setWindowTitle(QStringLiteral("Orbelune Help - ") + FBrowser->documentTitle());
}

void THelpWindow::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (Event->modifiers() == Qt::AltModifier && Event->key() == Qt::Key_Left) {
        FBrowser->backward();
        return;
    }
    if (Event->modifiers() == Qt::AltModifier && Event->key() == Qt::Key_Right) {
        FBrowser->forward();
        return;
    }
    QWidget::keyPressEvent(Event);
}

void THelpWindow::JoinModalDialog(bool Reshow) {
    QWidget* Modal = QApplication::activeModalWidget();
    if (!Modal || Modal == this) return;
    winId();
    QWindow* Handle = windowHandle();
    if (!Handle || Handle->transientParent() == Modal->windowHandle()) return;
    // The window manager reads the owner when a window is mapped.
    const bool Remap = Reshow && isVisible();
    if (Remap) hide();
    Handle->setTransientParent(Modal->windowHandle());
    if (Remap) show();
}

bool THelpWindow::event(QEvent* Event) {
    // A modal dialog blocks every window that is not its own: the help window becomes the dialog's, so it
    // can still be read and clicked while the dialog is open.
    if (Event->type() == QEvent::WindowBlocked) JoinModalDialog(false);
    return QWidget::event(Event);
}

THelpWindow* ShowHelp(int Context, const QString& Anchor) {
    if (!Instance) {
        Instance = new THelpWindow;
        // Parentless, so it goes when the program ends rather than with any one window.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, Instance, [] { delete Instance; });
    }
    Instance->ShowTopic(Context, Anchor);
    Instance->JoinModalDialog(true);
    Instance->show();
    Instance->raise();
    Instance->activateWindow();
    return Instance;
}

THelpWindow* OpenHelpWindow() {
    return Instance;
}
