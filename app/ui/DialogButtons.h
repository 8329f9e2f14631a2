// The row of OK and Cancel at the foot of a dialog, as every dialog of the program has it.
#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

struct TDialogButtons {
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
    // The two buttons pushed to the right; for the dialog's layout to take.
    QHBoxLayout* Row = nullptr;
};

// Makes OK (the default button) and Cancel on Parent, in this order, with these control names and
// captions, in a row of their own. Connects nothing: what the buttons do is the dialog's.
TDialogButtons MakeDialogButtons(QWidget* Parent, const char* OkName = "btnOK",
                                 const char* CancelName = "btnCancel",
                                 const QString& OkCaption = QStringLiteral("&OK"),
                                 const QString& CancelCaption = QStringLiteral("&Cancel"));
