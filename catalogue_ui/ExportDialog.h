// The export window: format, content and file of a catalogue export, and the run with its progress.
#pragma once

#include <string>

#include "catalogue_ui/TransferDialog.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct TExportLayout;

class TfrmExport : public TTransferDialog {
    Q_OBJECT
public:
    TfrmExport(TDiscCatalogue& Catalogue, QWidget* Parent = nullptr);

    // The layout the controls describe.
    TExportLayout Layout() const;

    QRadioButton* rbComma = nullptr;
    QRadioButton* rbLine = nullptr;
    QRadioButton* rbDouble = nullptr;
    QRadioButton* rbSingle = nullptr;
    QRadioButton* rbNone = nullptr;
    QRadioButton* rbFixed = nullptr;
    QRadioButton* rbVariable = nullptr;
    QSpinBox* edFields = nullptr;
    QCheckBox* cbHeader = nullptr;
    QCheckBox* cbName = nullptr;
    QCheckBox* cbDef1 = nullptr;
    QCheckBox* cbDef2 = nullptr;
    QCheckBox* cbTimes = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* brnCancel = nullptr;

public slots:
    void btnBrowseClick() override;
    void btnOKClick() override;
    void rbCommaClick();
    void rbLineClick();
    void rbDoubleClick();
    void rbSingleClick();
    void rbNoneClick();
    void rbFixedClick();
    void rbVariableClick();
    void Button1Click();

private:
    std::string FieldSeparator = ",";
    std::string TextQuote = "\"";
};
