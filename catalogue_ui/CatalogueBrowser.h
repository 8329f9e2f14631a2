// The catalogue browser: every disc of the catalogue as a tree in one of five orders, optionally
// filtered by text, with the actions on the selected disc (edit, delete, attach the disc in the drive,
// picture, sample, print).
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/CatalogueFilter.h"
#include "catalogue/DiscCatalogue.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;
class QTreeView;
class TCatalogueTreeModel;
class TSampleDisplay;
class TWaveAudio;

class TfrmCat : public QDialog {
    Q_OBJECT
public:
    // Wave plays the samples (none: they cannot be played); DriveToc gives the track data of the disc in
    // the drive, which Attach copies into the attached record.
    TfrmCat(TDiscCatalogue& Catalogue, TWaveAudio* Wave, std::function<TDiscToc()> DriveToc,
            QWidget* Parent = nullptr);
    ~TfrmCat() override;

    QTreeView* TV;
    QLabel* labList;
    QLabel* labNo;
    QLabel* labStatus;
    QRadioButton* rbName;
    QRadioButton* rbComp;
    QRadioButton* rbArt;
    QRadioButton* rbType;
    QRadioButton* rbLab;
    QLineEdit* edName;
    QLineEdit* edRef;
    QLineEdit* edTrack;
    QCheckBox* cbFilter;
    QPushButton* btnRefresh;
    QPushButton* btnEdit;
    QPushButton* btnDelete;
    QPushButton* btnAttach;
    QPushButton* btnPrintCD;
    QPushButton* btnPrintCat;
    QPushButton* btnBitmap;
    QPushButton* btnPlay;
    // The sample playback's controls, owned by Sample.
    TSampleDisplay* Sample;
    QToolButton* btnStop;
    QSlider* trBar;
    QLabel* labStart;
    QLabel* labEnd;
    QTimer* Timer;
    QPushButton* btnClose;

    TCatalogueTreeModel& Model() const { return *FModel; }
    // The index of the order chosen: 4 name, 2 composer, 3 artist, 6 music type, 5 record label.
    int OrderKey() const;
    TCatalogueFilter Filter() const;

public slots:
    void rbNameClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnAttachClick();
    void btnBitmapClick();
    void btnSelectedClick();
    void btnStopClick() { StopSample(); }
    void btnPrintCDClick();
    void btnPrintCatClick();

protected:
    void showEvent(QShowEvent* Event) override;
    void done(int Result) override;

private:
    void FormShow();
    void BuildCatalogueTree();
    void ClearCatalogueTree();
    void StopSample();
    // The selected disc's node and record read into CatRecord; false (with Message shown when not empty)
    // when no disc is selected or its record cannot be read.
    bool SelectedDisc(const char* Message, QModelIndex& Node);
    bool ReadCatRecord(std::int32_t RecNo);

    TDiscCatalogue& FCatalogue;
    TWaveAudio* FWave;
    std::function<TDiscToc()> FDriveToc;
    TCatalogueTreeModel* FModel;
    TDiscRecord CatRecord;
    bool FShown = false;
    bool FToldSkipped = false;
};
