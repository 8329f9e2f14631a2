// One run of the disc data editor without its window: the record, track texts and notes the window
// starts with, the picture and sample changes that are stored at once, and what is stored when the
// window closes. The window shows and collects; this decides what reaches the catalogue.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/StringGridData.h"
#include "devices/CdDrive.h"

struct TLookupMatch;

// The texts the editor's fields give back on OK.
struct TDiscTexts {
    std::string DiscName, Composer, Artist, UserField1, UserField2, RecordLabel, MusicType, Reference;
    int Year = 0;
};

// The disc in the drive as the editor sees it: its code, table of contents and the text stored on it.
struct TDriveDisc {
    std::string Code;
    TDriveToc Toc;
    TCdText Text;
    const TLookupMatch* LookedUp = nullptr; // what the lookup of a new disc found, not yet stored
};

// What the disc's CD-TEXT gives the editor's disc name and artist (empty: nothing to give).
struct TCdTextNames {
    std::string DiscName, Artist, Composer;
};

// The disc name, artist and composer that Text gives, cut to what the record keeps: the artist is its disc
// performer, else the one performer all its tracks name.
TCdTextNames CdTextNamesOf(const TCdText& Text);
// Text's titles of tracks 1 to TrackCount (fewer when it has fewer), each cut to what a track name keeps;
// an empty one is a track without a title.
std::vector<std::string> CdTextTrackNames(const TCdText& Text, int TrackCount);

// What stands in the picture dialog's file name after Clear.
inline constexpr const char* PictureCleared = "...";

extern const char* const msgNoSample;
extern const char* const msgDeleteSample;
extern const char* const msgStoredMeanwhile;

// What OK finds of the stored disc before it stores: whether it could be read, and whether another
// program stored something of it since the run read it.
struct TStoredCheck {
    TCatalogueResult Read;
    bool Changed = false;
};

class TDiscEdit {
public:
    // Rec, Grid, Memo, Keys and RecNo are the caller's (the disc in the drive or a catalogue entry); they
    // are changed only by Finish. NotesCode is the first line of the stored notes.
    TDiscEdit(TDiscCatalogue& Catalogue, TDiscRecord& Rec, TStringGridData& Grid, std::string& Memo,
              TDiscKeys& Keys, std::int32_t& RecNo, std::string NotesCode);

    // The window's own copy of the record; picture, sample and programme changes are stored from it.
    TDiscRecord EditRecord;
    // Track texts: row t (1 to TrackCount) is track t, columns name, user field 1, user field 2.
    TStringGridData Tracks;
    // The notes without their first line, lines ended by "\n".
    std::string Notes;

    TDiscCatalogue& Catalogue() { return FCatalogue; }
    int TrackCount() const { return EditRecord.TrackCount; }
    // The track list's line of track T from Tracks.
    std::string TrackLineOf(int T) const;
    // Most bytes the notes may have so that, with their first line, they fit the store's text limit.
    int NotesLimit() const;

    // Stores the picture file as the disc's picture (a BMP as it is, another picture converted to BMP),
    // or removes the picture when FileName is PictureCleared; an empty name changes nothing. The record
    // is written at once. False, with the user told, when the file is no picture or cannot be stored.
    TCatalogueResult StorePicture(const std::string& FileName);
    // Copies the stored picture into FileName; false when the disc has none or it cannot be read.
    bool ExtractPicture(const std::string& FileName);
    // Copies the stored sample into FileName; without one the user is told and false is given.
    bool ExtractSample(const std::string& FileName);
    // A sample recorded from the drive while the window is open is stored with the drive's record: the
    // window's copy takes it over before it plays or writes, so that nothing it stores names the replaced
    // sample.
    void TakeRecordedSample();
    // Asks, then removes the sample and writes the record; true when it was removed.
    bool ClearSample();
    // Stores Programme as the disc's programme at once.
    TCatalogueResult StoreProgramme(const TPlayProgramme& Programme);

    // Whether Text can fill the record: it has a disc name, artist or track name, and the record still
    // holds what a new disc gets ("Unknown" disc name and artist, no track names).
    bool OffersCdText(const TCdText& Text) const;
    // Puts Text's track titles into the track names and gives its disc name and artist, each cut to
    // what the record keeps; a text that is not on the disc leaves its field as it is. Nothing is
    // stored: Finish takes the names over with the rest on OK.
    TCdTextNames TakeCdText(const TCdText& Text);

    // Whether the stored disc still is what the run read (or last stored itself).
    TStoredCheck CheckStored();
    // Takes the stored disc as it is now into EditRecord, Tracks and Notes, giving up what was typed.
    TCatalogueResult ReloadStored();
    // Stores Texts, the track texts and the notes onto the stored record, whose picture, sample and
    // programme stay as stored, and hands what was stored to the caller. When it fails the caller's
    // record is left as it was and the run keeps everything for another try. With a catalogue that
    // cannot be written the caller gets the texts without a store.
    TCatalogueResult Store(const TDiscTexts& Texts);
    // Ends the run: with Ok, Store; without, nothing is written (what the window stored at once stays;
    // the caller's record becomes EditRecord), except that a disc not yet in the catalogue is stored
    // unless another program stored it meanwhile, whose record the caller then gets.
    TCatalogueResult Finish(bool Ok, const TDiscTexts& Texts);

private:
    // What the run compares to see another program's change: the record's texts, track texts and notes.
    struct TStoredState {
        bool Found = false;
        TDiscRecordBytes Record{};
        std::vector<std::string> Texts;
        std::string Memo;
        bool operator==(const TStoredState&) const = default;
    };
    static TStoredState StateOf(const TDiscRecord& Rec, const TStringGridData& Grid, const std::string& Memo,
                                std::int32_t RecNo);
    bool IsDriveDisc() const;
    // Writes Change onto the stored record at once (what another program stored meanwhile stays) and,
    // once stored, into EditRecord.
    TCatalogueResult PutChange(const std::function<void(TDiscRecord&)>& Change);
    // Texts, the track texts and the notes laid over Rec, Grid and Memo.
    void LayOver(const TDiscTexts& Texts, TDiscRecord& Rec, TStringGridData& Grid, std::string& Memo) const;

    TDiscCatalogue& FCatalogue;
    TDiscRecord& FRec;
    TStringGridData& FGrid;
    std::string& FMemo;
    TDiscKeys& FKeys;
    std::int32_t& FRecNo;
    std::string FNotesCode;
    std::int32_t FDriveSample = 0; // the drive record's sample when last looked at
    TStoredState FBase;            // the stored disc as the run read it or last stored it
};

// Why a file cannot be a disc picture (not readable, not a picture, a damaged bitmap); empty when it can.
std::string CheckPictureFile(const std::string& FileName);
// Writes the picture of FileName as a BMP file to Target (a BMP is copied as it is); false with Error set.
bool PictureAsBitmap(const std::string& FileName, const std::string& Target, std::string& Error);

// Track texts of the track grid dialog, rows 1 to TrackCount; each row is a fixed track position and
// the texts move between positions.
// Moves the texts from Row down by one (the last row's are lost) and empties Row.
void InsertTrackRow(TStringGridData& Tracks, int TrackCount, int Row);
// Moves the texts below Row up by one and empties the last row.
void DeleteTrackRow(TStringGridData& Tracks, int TrackCount, int Row);
// Moves the texts of row From to row To; the rows between close up.
void MoveTrackRow(TStringGridData& Tracks, int From, int To);

// Adds Text to the sorted list Names and rewrites File when Text is not empty and not yet listed
// (compared without regard to case). False when File could not be written.
bool AddNewReferenceEntry(std::vector<std::string>& Names, const std::string& Text, const std::string& File);
// "Cannot save " Title " file!", the lists that could not be written named in one message.
std::string CannotSaveListsMessage(const std::vector<std::string>& Titles);
