// The import window: the kind of file, merge or not, the file, and the run with its progress.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDiscCatalogue;

class TfrmImport : public QDialog {
    Q_OBJECT
public:
    TfrmImport(TDiscCatalogue& Catalogue, QWidget* Parent = nullptr);

    QRadioButton* rbv4 = nullptr;
    QRadioButton* rbv3 = nullptr;
    QRadioButton* rbwin = nullptr;
    QCheckBox* cbMerge = nullptr;
    QLineEdit* edFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void btnBrowseClick();
    void btnOKClick();
    void rbv4Click();
    void rbv3Click();
    void rbwinClick();

private:
    TDiscCatalogue& FCatalogue;
    int FFilterIndex = 0; // the open dialog's first filter: text files; the second: ini files
};
