// The help window: the built-in help pages in a browser with back, forward, contents and an index of
// topics. There is one, not modal, and it can be used beside a modal dialog.
#pragma once

#include <QWidget>

class QListWidget;
class QTextBrowser;
class QToolButton;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* Parent = nullptr);

    // Shows the topic of a context number at an anchor of its page; an unknown number shows the contents.
    void ShowTopic(int Context, const QString& Anchor = {});
    QTextBrowser& Browser() { return *FBrowser; }

    // Makes the window the active modal dialog's own, so that the dialog does not block it; Reshow maps
    // a shown window again for the window manager to see its new owner.
    void JoinModalDialog(bool Reshow);

protected:
    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void SourceChanged(const QUrl& Source);

    QTextBrowser* FBrowser = nullptr;
    QListWidget* lbTopics = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;
};

// Opens the help window (made at the first call) at a topic and brings it to the front.
THelpWindow* ShowHelp(int Context, const QString& Anchor = {});
// The help window when it has been opened, else nullptr.
THelpWindow* OpenHelpWindow();
