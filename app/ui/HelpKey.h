// F1 in any window of the program opens the help window at that window's topic.
#pragma once

#include <QString>

class QWidget;

struct THelpRequest {
    int Context;
    QString Anchor;
};

// The topic of a window: its own "HelpContext" property (with "HelpAnchor") when set, else the table of
// window names; a window without a topic takes the one of the window that opened it, and the contents
// when none has one.
THelpRequest HelpRequestFor(const QWidget* Window);

// Catches F1 for the whole application; safe to call more than once.
void InstallHelpKey();
