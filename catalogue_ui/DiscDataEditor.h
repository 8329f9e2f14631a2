// The disc data editor: the record's text fields with completion from the reference lists, the track
// list with its track and grid dialogs, the notes, and the picture and sample of the disc.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/DiscEdit.h"
#include "catalogue/DiscLookup.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTemporaryFile;
class TWaveAudio;
struct TPlayerSettings;

class TfrmCDData : public QDialog {
    Q_OBJECT
public:
    // Edit is the run the window works on; Wave plays the disc's sample (none: the sample is not played).
    // Drive is the disc in the drive (none: no disc); when it is the edited one, the window shows its
    // disc-database ids and offers its CD-TEXT for a record that still has a new disc's values.
    TfrmCDData(TDiscEdit& Edit, TPlayerSettings& Settings, TWaveAudio* Wave,
               const TDriveDisc* Drive = nullptr, QWidget* Parent = nullptr);
    ~TfrmCDData() override;

    // The fields as the user left them; the notes go into the run's Notes.
    TDiscTexts TakeBack();

    QLineEdit* edName;
    QLineEdit* edComp;
    QComboBox* cbComp;
    QLineEdit* edArt;
    QComboBox* cbArt;
    QLineEdit* ed1;
    QLineEdit* ed2;
    QLineEdit* edLab;
    QComboBox* cbLab;
    QLineEdit* edCat;
    QComboBox* cbCat;
    QLineEdit* edRef;
    QLineEdit* edYear;
    QLabel* labID;
    QLabel* labMBID;
    QLabel* labFreeDBID;
    QLabel* labTime;
    QLabel* labUser1;
    QLabel* labUser2;
    QListWidget* lbTracks;
    QPlainTextEdit* memDisc;
    QPushButton* btnProg;
    QPushButton* btnBit;
    QPushButton* btnSample;
    QPushButton* btnWaveDel;
    QPushButton* btnTracks;
    QPushButton* btnCdText;
    QPushButton* btnLookup;
    QLabel* labLookup;      // the lookup's progress and outcome
    QPushButton* btnAttach; // MusicBrainz's page for adding a disc nobody knows
    QLabel* imgCover;       // a looked-up cover, stored on OK
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void lbTracksDblClick();
    void btnTracksClick();
    void btnBitClick();
    void btnSampleClick();
    void btnWaveDelClick();
    void btnCdTextClick();
    void btnLookupClick();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // One of the four name fields: the edit laid over its combo box, the list file and its title.
    struct TListField {
        QLineEdit* Edit;
        QComboBox* Combo;
        const char* FileName;
        const char* Title;
        int MaxBytes;
        std::vector<std::string> Names;
    };

    // The record's fields and track list from the run's EditRecord and Tracks.
    void ShowRecord();
    void ShowDiscIds(const TDriveToc& Toc);
    void LookupFinished(const TLookupResult& Result);
    void TakeMatch(const TLookupMatch& Match);
    void DetailsFinished(const TLookupDetails& Details);
    void LookupEnded(const QString& Status);
    void EnsureLookup();
    void OpenDiscPage(const QString& Url);
    void FormShow();
    void FillTrackList();
    void LoadReferenceCombo(TListField& Field);
    void CompleteFromList(TListField& Field);
    TListField* FieldOf(QObject* Object);
    void PlaceOverlay(const TListField& Field);
    // Tells what a paste into the notes left out, once; OK tells it before storing if it is still due.
    void TellNotesCut();

    TDiscEdit& FEdit;
    TPlayerSettings& FSettings;
    TWaveAudio* FWave;
    std::vector<TListField> FFields;
    TCdText FCdText;    // what Use CD-TEXT fills from
    TCdText FDriveText; // the CD-TEXT of the disc in the drive, when it is the edited one
    TLookupToc FLookupToc;
    TDiscLookup* FLookup = nullptr;
    QString FTaken;    // the match the fields were filled from
    QString FUnread;   // what the lookup could not read, said after the outcome
    TLookupFill FFill; // what the picks put into the fields
    std::unique_ptr<QTemporaryFile> FCover;
    std::string FNotesCut;
    bool FShown = false;
};

// Runs the editor on one disc: Rec, Grid, Memo, Keys and RecNo are the caller's (the disc in the drive or
// a catalogue entry) and NotesCode the first line of its notes; Drive is the disc in the drive, if any.
// OK stores before the window closes, and a store that fails keeps the window open; after Cancel a disc
// not yet in the catalogue is stored. The result is the window's.
int EditDiscData(QWidget* Owner, TDiscCatalogue& Catalogue, TWaveAudio* Wave, TDiscRecord& Rec,
                 TStringGridData& Grid, std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                 const std::string& NotesCode, const TDriveDisc* Drive = nullptr);
