// The one-field entry window of the list editor: a name to add or edit.
#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

class TfrmItem : public QDialog {
    Q_OBJECT
public:
    // Caption is the list window's caption, Prompt the group box's caption; the name is limited to
    // MaxBytes of UTF-8.
    TfrmItem(const QString& Caption, const QString& Prompt, const QString& Name, int MaxBytes,
             QWidget* Parent = nullptr);

    QString Name() const;

    QGroupBox* gbItem;
    QLineEdit* edName;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
