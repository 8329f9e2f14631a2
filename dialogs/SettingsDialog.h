// The settings dialog: colours, fonts, captions of the user-defined data fields and the system options.
// Each colour item's radio button shows the item's colours and each font item's button its font while
// they are edited; only OK copies them back. The automatic-play box acts at once.
#pragma once

#include <QDialog>
#include <array>

#include "app/base/Settings.h"

class QCheckBox;
class QColorDialog;
class QFileDialog;
class QFontDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

class Tfrmconf : public QDialog {
    Q_OBJECT
public:
    // Settings is the live record: the automatic-play box changes and saves it at once.
    explicit Tfrmconf(TPlayerSettings& Settings, QWidget* Parent = nullptr);

    // Shows Source in the controls; fonts and sizes that cannot be used fall back to the defaults.
    void SetSettings(const TPlayerSettings& Source);
    // Copies the controls back into Target; the automatic-play keys are left to the box.
    void GetSettings(TPlayerSettings& Target) const;

    int SelectedColourItem = 1;
    int SelectedFontItem = 1;
    bool SettingUp = false;

public slots:
    void ColourItemClick(int Item);
    void FontItemClick(int Item);
    void btnForeClick();
    void btnBackClick();
    void btnFontClick();
    void btnBitmapClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void cbAutoClick();

private:
    void FormCreate();
    QWidget* BuildColourPage();
    QWidget* BuildFontPage();
    QWidget* BuildDataPage();
    QWidget* BuildOtherPage();
    void SetItemColours(QRadioButton* Button, TColor Fore, TColor Back);
    // Lets the user pick a file for Label, starting from the file it shows or else the data folder.
    void ChooseFile(QLabel* Label, const QString& Title, int Filter);

    TPlayerSettings& FSettings;
    std::array<QRadioButton*, 8> FColourItems{};
    std::array<QRadioButton*, 5> FFontItems{};
    QTabWidget* Notebook = nullptr;
    QPushButton* btnFore = nullptr;
    QPushButton* btnBack = nullptr;
    QCheckBox* cbColor = nullptr;
    QCheckBox* cbBitmap = nullptr;
    QLabel* labBitmap = nullptr;
    QLineEdit* edCD1 = nullptr;
    QLineEdit* edCD2 = nullptr;
    QLineEdit* edTr1 = nullptr;
    QLineEdit* edTr2 = nullptr;
    QLineEdit* edCollector = nullptr;
    QCheckBox* cbAuto = nullptr;
    QCheckBox* cbSmall = nullptr;
    QCheckBox* cbPrintBM = nullptr;
    QCheckBox* cbStop = nullptr;
    QCheckBox* cbSave = nullptr;
    QCheckBox* cbLookupNew = nullptr;
    QCheckBox* cbLookupStore = nullptr;
    QLineEdit* edContact = nullptr;
    QSpinBox* edSkip = nullptr;
    QSpinBox* edIntro = nullptr;
    QLabel* labMix = nullptr;
    QLabel* labRec = nullptr;
    QColorDialog* dlgColor = nullptr;
    QFontDialog* dlgFont = nullptr;
    QFileDialog* OpenDialog = nullptr;
};
