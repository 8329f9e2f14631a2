// The import window: the kind of file, merge or not, the file, and the run with its progress.
#pragma once

#include "catalogue_ui/TransferDialog.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

class TfrmImport : public TTransferDialog {
    Q_OBJECT
public:
    TfrmImport(TDiscCatalogue& Catalogue, QWidget* Parent = nullptr);

    QRadioButton* rbv4 = nullptr;
    QRadioButton* rbv3 = nullptr;
    QRadioButton* rbwin = nullptr;
    QCheckBox* cbMerge = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void btnBrowseClick() override;
    void btnOKClick() override;
    void rbv4Click();
    void rbv3Click();
    void rbwinClick();

private:
    int FFilterIndex = 0; // the open dialog's first filter: text files; the second: ini files
};
