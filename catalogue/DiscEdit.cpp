#include "catalogue/DiscEdit.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "app/base/TextEncoding.h"
#include "catalogue/BitmapCheck.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/ReferenceList.h"
#include "catalogue/store/VlfFormat.h"
#include "devices/MessageBoxes.h"
#include "player/base/TrackLine.h"

const char* const msgNoSample = "Selected disk does not have a recorded sample.";
const char* const msgDeleteSample = "Do you wish to delete the sample for the CD?";
const char* const msgStoredMeanwhile =
    "This disc was changed in the catalogue since this window opened, by orbelune-cat or another program. "
    "Do you want to store what is in this window over that change? Yes stores what you typed; No shows "
    "the record as it is stored now, and what you typed is given up.";

namespace {

constexpr int TrackColumns = 3;
// A picture converted to a bitmap is made no larger than this on its longer side: the catalogue shows
// and prints pictures small, and a photograph would otherwise become a bitmap of many megabytes.
constexpr int ConvertedPictureMax = 1024;

std::string Cut(const std::string& Text, int MaxBytes) {
    return CutToBytes(Text, static_cast<std::size_t>(MaxBytes));
}

void CopyTrackRow(TStringGridData& Tracks, int To, int From) {
    for (int c = 0; c < TrackColumns; ++c)
        Tracks.SetCells(c, To, Tracks.Cells(c, From));
}

void EmptyTrackRow(TStringGridData& Tracks, int Row) {
    for (int c = 0; c < TrackColumns; ++c)
        Tracks.SetCells(c, Row, std::string());
}

std::string Quoted(const std::string& FileName) {
    return "\"" + FileName + "\"";
}

} // namespace

TDiscEdit::TDiscEdit(TDiscCatalogue& Catalogue, TDiscRecord& Rec, TStringGridData& Grid, std::string& Memo,
                     TDiscKeys& Keys, std::int32_t& RecNo, std::string NotesCode)
    : EditRecord(Rec), Tracks(TrackColumns, std::clamp<int>(Rec.TrackCount, 0, MaxDiscTracks) + 1),
      Notes(NotesForEditing(Memo)), FCatalogue(Catalogue), FRec(Rec), FGrid(Grid), FMemo(Memo), FKeys(Keys),
      FRecNo(RecNo), FNotesCode(std::move(NotesCode)), FBase(StateOf(Rec, Grid, Memo, RecNo)) {
    FDriveSample = IsDriveDisc() ? FCatalogue.CurrentDisc.SampleRef : EditRecord.SampleRef;
    EditRecord.TrackCount = static_cast<std::int16_t>(Tracks.RowCount() - 1);
    for (int t = 1; t <= TrackCount(); ++t)
        for (int c = 0; c < TrackColumns; ++c)
            Tracks.SetCells(c, t, Grid.Cells(c, t));
}

TDiscEdit::TStoredState TDiscEdit::StateOf(const TDiscRecord& Rec, const TStringGridData& Grid,
                                           const std::string& Memo, std::int32_t RecNo) {
    TStoredState State;
    State.Found = RecNo != 0;
    if (!State.Found) return State;
    // Only what OK would write over counts: the picture, sample, programme, volumes and play mode are
    // taken as stored, and the blocks of the track list and notes move with every store.
    TDiscRecord Live = Rec;
    Live.RecordStatus = 0;
    Live.Programme = {};
    Live.VolumeLeft = Live.VolumeRight = 0;
    Live.PlayMode = 0;
    Live.PictureRef = Live.SampleRef = Live.TracksRef = Live.NotesRef = 0;
    Live.TocPending = false;
    State.Record = EncodeDiscRecord(Live);
    for (int t = 1; t <= MaxDiscTracks; ++t)
        for (int c = 0; c < TrackColumns; ++c)
            State.Texts.push_back(Grid.Cells(c, t));
    State.Memo = Memo;
    return State;
}

TStoredCheck TDiscEdit::CheckStored() {
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    TStoredCheck Check;
    Check.Read = FCatalogue.ReadStoredDisc(EditRecord.DiscCode, Rec, Grid, Memo, Keys, RecNo);
    Check.Changed = Check.Read && StateOf(Rec, Grid, Memo, RecNo) != FBase;
    return Check;
}

TCatalogueResult TDiscEdit::ReloadStored() {
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    const TDiscToc Toc = TocOf(EditRecord);
    const TCatalogueResult Read =
        FCatalogue.ReadStoredDisc(EditRecord.DiscCode, Rec, Grid, Memo, Keys, RecNo, Toc);
    if (!Read || RecNo == 0) return Read;
    FBase = StateOf(Rec, Grid, Memo, RecNo);
    EditRecord = Rec;
    EditRecord.TrackCount = static_cast<std::int16_t>(TrackCount());
    for (int t = 1; t <= TrackCount(); ++t)
        for (int c = 0; c < TrackColumns; ++c)
            Tracks.SetCells(c, t, Grid.Cells(c, t));
    Notes = NotesForEditing(Memo);
    FGrid = Grid;
    FMemo = Memo;
    FKeys = Keys;
    FRecNo = RecNo;
    FRec = Rec;
    return Read;
}

TCatalogueResult TDiscEdit::PutChange(const std::function<void(TDiscRecord&)>& Change) {
    TDiscRecord Stored;
    std::int32_t RecNo = 0;
    if (TCatalogueResult Read = FCatalogue.ReadStoredRecord(EditRecord.DiscCode, Stored, RecNo); !Read)
        return Read;
    TDiscRecord Rec = RecNo != 0 ? Stored : EditRecord;
    Change(Rec);
    TCatalogueResult Put = FCatalogue.PutDiscRecord(Rec);
    if (!Put) return Put;
    Change(EditRecord);
    // A new disc is now stored, without track texts or notes of its own yet: the run's own change is no
    // change of another program. (The fields a change writes are not compared.)
    if (RecNo == 0 && !FBase.Found)
        FBase = StateOf(Rec, TStringGridData{}, CutKey(Rec.DiscCode, kDiscCode), 1);
    return Put;
}

TCatalogueResult TDiscEdit::StoreProgramme(const TPlayProgramme& Programme) {
    return PutChange([&](TDiscRecord& Rec) { Rec.Programme = Programme; });
}

bool TDiscEdit::IsDriveDisc() const {
    return !FCatalogue.CurrentDiscCode.empty() && FCatalogue.CurrentDiscCode == FNotesCode;
}

void TDiscEdit::TakeRecordedSample() {
    if (!IsDriveDisc() || FCatalogue.CurrentDisc.SampleRef == FDriveSample) return;
    FDriveSample = FCatalogue.CurrentDisc.SampleRef;
    EditRecord.SampleRef = FDriveSample;
}

bool TDiscEdit::OffersCdText(const TCdText& Text) const {
    const TDiscRecord Fresh = NewDiscRecord({}, 0, 0);
    if (Text.Empty() || EditRecord.DiscName != Fresh.DiscName || EditRecord.Artist != Fresh.Artist)
        return false;
    for (int t = 1; t <= TrackCount(); ++t)
        if (!Tracks.Cells(0, t).empty()) return false;
    return true;
}

TCdTextNames TDiscEdit::TakeCdText(const TCdText& Text) {
    const std::vector<std::string> Titles = CdTextTrackNames(Text, TrackCount());
    for (std::size_t i = 0; i < Titles.size(); ++i)
        if (!Titles[i].empty()) Tracks.SetCells(0, static_cast<int>(i) + 1, Titles[i]);
    return CdTextNamesOf(Text);
}

TCdTextNames CdTextNamesOf(const TCdText& Text) {
    // A disc without a performer of its own whose tracks all name the same one is that performer's.
    std::string Artist = Text.DiscPerformer;
    if (Artist.empty() && !Text.TrackPerformers.empty() &&
        std::all_of(Text.TrackPerformers.begin(), Text.TrackPerformers.end(),
                    [&](const std::string& P) { return P == Text.TrackPerformers.front(); }))
        Artist = Text.TrackPerformers.front();
    return {Cut(Text.DiscTitle, DiscNameMax), Cut(Artist, ArtistMax), Cut(Text.DiscComposer, ComposerMax)};
}

std::vector<std::string> CdTextTrackNames(const TCdText& Text, int TrackCount) {
    const std::size_t Count =
        std::min(Text.TrackTitles.size(), static_cast<std::size_t>(std::clamp(TrackCount, 0, MaxDiscTracks)));
    std::vector<std::string> Titles;
    for (std::size_t i = 0; i < Count; ++i)
        Titles.push_back(Cut(Text.TrackTitles[i], VlfFormat::GridCellMax));
    return Titles;
}

std::string TDiscEdit::TrackLineOf(int T) const {
    return TrackLine(T,
                     EditRecord.TrackLengths[static_cast<std::size_t>(std::clamp(T, 1, MaxDiscTracks) - 1)],
                     Tracks.Cells(0, T));
}

int TDiscEdit::NotesLimit() const {
    return VlfFormat::TextMax - static_cast<int>(StoredNotes(FNotesCode, "x").size() - 1);
}

TCatalogueResult TDiscEdit::StorePicture(const std::string& FileName) {
    if (FileName.empty()) return {};
    const bool Clearing = FileName == PictureCleared;
    // A picture in another format is stored as the bitmap converted from it.
    QTemporaryFile Converted(QString::fromStdString(FCatalogue.DataDir() + "picture-XXXXXX.bmp"));
    std::string Source = FileName;
    if (!Clearing) {
        std::string Error = CheckPictureFile(FileName);
        if (Error.empty() && !IsBitmapFile(FileName)) {
            if (!Converted.open()) {
                Error = "Cannot write a working file in " + FCatalogue.DataDir();
            } else {
                Converted.close();
                Source = Converted.fileName().toStdString();
                PictureAsBitmap(FileName, Source, Error);
            }
        }
        if (!Error.empty()) {
            ShowError(Error);
            return {TCatalogueOutcome::Failed, 0, Error};
        }
    }
    // The record is read first: its picture is the one the new one replaces, whatever this run saw.
    TDiscRecord Stored;
    std::int32_t StoredNo = 0;
    if (TCatalogueResult Read = FCatalogue.ReadStoredRecord(EditRecord.DiscCode, Stored, StoredNo); !Read)
        return Read;
    if (StoredNo != 0) EditRecord.PictureRef = Stored.PictureRef;
    if (!FCatalogue.OpenDiscVlf()) return {TCatalogueOutcome::Failed, 0, "Cannot open VLF file"};
    TakeRecordedSample();
    TVlf& Store = FCatalogue.fvlf.Vlf;
    const std::int32_t Old = EditRecord.PictureRef;
    std::int32_t New = 0;
    if (!Clearing) {
        // The old picture stays until the record names the new one.
        Store.KeepSuperseded = true;
        New = Store.StoreFile(Old, Source, VlfKindPicture);
        Store.KeepSuperseded = false;
        if (New == 0) {
            const int WriteErrno = errno;
            Store.Superseded.clear();
            FCatalogue.CloseDiscVlf();
            const bool Full = WriteErrno == ENOSPC || WriteErrno == EDQUOT;
            const std::string Msg = "Cannot store the picture in the catalogue: " +
                                    (Full ? std::string(msgDiskFull) : Store.LastError());
            ShowError(Msg);
            return {Full ? TCatalogueOutcome::DiskFull : TCatalogueOutcome::Failed, 0, Msg};
        }
    }
    TCatalogueResult Ok;
    if (New != Old) {
        FCatalogue.MarkDeletedRecords();
        Ok = PutChange([New](TDiscRecord& Rec) { Rec.PictureRef = New; });
        if (Ok) {
            if (Clearing) Store.DeleteItem(Old);
            Store.ReleaseSuperseded();
        } else {
            // The stored record still names the old picture: keep it and drop the new one.
            if (New != 0) Store.DeleteItem(New);
            Store.Superseded.clear();
            EditRecord.PictureRef = Old;
        }
    }
    FCatalogue.CloseDiscVlf();
    return Ok;
}

bool TDiscEdit::ExtractPicture(const std::string& FileName) {
    if (EditRecord.PictureRef == 0 || !FCatalogue.OpenDiscVlf()) return false;
    const bool Ok = FCatalogue.fvlf.Vlf.ExtractFile(EditRecord.PictureRef, FileName, false);
    FCatalogue.CloseDiscVlf();
    return Ok;
}

bool TDiscEdit::ExtractSample(const std::string& FileName) {
    TakeRecordedSample();
    if (EditRecord.SampleRef == 0) {
        ShowError(msgNoSample);
        return false;
    }
    if (!FCatalogue.OpenDiscVlf()) return false;
    const bool Ok = FCatalogue.fvlf.Vlf.ExtractFile(EditRecord.SampleRef, FileName, false);
    FCatalogue.CloseDiscVlf();
    return Ok;
}

bool TDiscEdit::ClearSample() {
    TakeRecordedSample();
    if (EditRecord.SampleRef == 0) {
        ShowError(msgNoSample);
        return false;
    }
    if (AskYesNo(msgDeleteSample) != idYes) return false;
    if (!FCatalogue.OpenDiscVlf()) return false;
    const std::int32_t Old = EditRecord.SampleRef;
    FCatalogue.MarkDeletedRecords();
    // The sample is freed only once the stored record no longer names it.
    const bool Ok = PutChange([](TDiscRecord& Rec) { Rec.SampleRef = 0; }).Done();
    if (Ok) {
        FCatalogue.fvlf.Vlf.DeleteItem(Old);
        // The drive's copy of the record must not go on naming the freed sample.
        if (IsDriveDisc() && FCatalogue.CurrentDisc.SampleRef == Old) FCatalogue.CurrentDisc.SampleRef = 0;
        FDriveSample = 0;
    }
    FCatalogue.CloseDiscVlf();
    return Ok;
}

void TDiscEdit::LayOver(const TDiscTexts& Texts, TDiscRecord& Rec, TStringGridData& Grid,
                        std::string& Memo) const {
    Rec.DiscName = Cut(Texts.DiscName, DiscNameMax);
    Rec.Composer = Cut(Texts.Composer, ComposerMax);
    Rec.Artist = Cut(Texts.Artist, ArtistMax);
    Rec.UserField1 = Cut(Texts.UserField1, UserFieldMax);
    Rec.UserField2 = Cut(Texts.UserField2, UserFieldMax);
    Rec.RecordLabel = Cut(Texts.RecordLabel, RecordLabelMax);
    Rec.MusicType = Cut(Texts.MusicType, MusicTypeMax);
    Rec.Reference = Cut(Texts.Reference, ReferenceMax);
    Rec.Year = static_cast<std::int16_t>(std::clamp(Texts.Year, 0, 9999));
    Memo = StoredNotes(FNotesCode, Notes);
    if (Grid.ColCount() < TrackColumns) Grid.SetColCount(TrackColumns);
    if (Grid.RowCount() <= TrackCount()) Grid.SetRowCount(TrackCount() + 1);
    for (int t = 1; t <= TrackCount(); ++t)
        for (int c = 0; c < TrackColumns; ++c)
            Grid.SetCells(c, t, Tracks.Cells(c, t));
}

TCatalogueResult TDiscEdit::Store(const TDiscTexts& Texts) {
    TakeRecordedSample();
    if (FCatalogue.ReadOnly()) {
        // Nothing can be stored (the user was told): the caller keeps the texts while the program runs.
        FRec = EditRecord;
        LayOver(Texts, FRec, FGrid, FMemo);
        return {};
    }
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    if (TCatalogueResult Read = FCatalogue.ReadStoredDisc(EditRecord.DiscCode, Rec, Grid, Memo, Keys, RecNo);
        !Read)
        return Read;
    // The picture, sample and programme are as stored: the run stored its own at once, and another
    // program's stay.
    if (RecNo == 0) {
        Rec = EditRecord;
        Grid = FGrid;
        Keys = FKeys;
    }
    LayOver(Texts, Rec, Grid, Memo);
    TCatalogueResult Saved = FCatalogue.SaveDisc(Rec, Grid, Memo, RecNo, Keys);
    if (!Saved) return Saved;
    EditRecord = Rec;
    EditRecord.TrackCount = static_cast<std::int16_t>(TrackCount());
    FBase = StateOf(Rec, Grid, Memo, RecNo);
    FRec = std::move(Rec);
    FGrid = std::move(Grid);
    FMemo = std::move(Memo);
    FKeys = Keys;
    FRecNo = RecNo;
    return Saved;
}

TCatalogueResult TDiscEdit::Finish(bool Ok, const TDiscTexts& Texts) {
    if (Ok) return Store(Texts);
    TakeRecordedSample();
    FRec = EditRecord;
    // What Cancel keeps was stored when it was made: a held record is not written again.
    if (FRecNo != 0) return {};
    // A new disc is stored as it was read, unless another program stored it meanwhile.
    TDiscRecord Rec;
    TStringGridData Grid;
    std::string Memo;
    TDiscKeys Keys;
    std::int32_t RecNo = 0;
    if (FCatalogue.ReadStoredDisc(EditRecord.DiscCode, Rec, Grid, Memo, Keys, RecNo) && RecNo != 0) {
        FRec = std::move(Rec);
        FGrid = std::move(Grid);
        FMemo = std::move(Memo);
        FKeys = Keys;
        FRecNo = RecNo;
        return {};
    }
    return FCatalogue.SaveDisc(FRec, FGrid, FMemo, FRecNo, FKeys);
}

std::string CheckPictureFile(const std::string& FileName) {
    // A FIFO or a device would block the read below.
    std::error_code Ec;
    if (!std::filesystem::is_regular_file(FileName, Ec))
        return "Cannot read the file " + Quoted(FileName) + ".";
    QFile File(QString::fromStdString(FileName));
    if (!File.open(QIODevice::ReadOnly)) return "Cannot read the file " + Quoted(FileName) + ".";
    const std::string Problem = BitmapProblem(File);
    File.close();
    if (!Problem.empty()) return "The file " + Quoted(FileName) + " is a damaged bitmap: " + Problem + ".";
    QImageReader Reader(QString::fromStdString(FileName));
    Reader.setDecideFormatFromContent(true);
    const QImage Picture = Reader.read();
    if (Picture.isNull())
        return "The file " + Quoted(FileName) + " is not a picture that can be shown (" +
               Reader.errorString().toStdString() + ").";
    return {};
}

bool PictureAsBitmap(const std::string& FileName, const std::string& Target, std::string& Error) {
    Error = CheckPictureFile(FileName);
    if (!Error.empty()) return false;
    if (IsBitmapFile(FileName)) {
        QFile::remove(QString::fromStdString(Target));
        if (QFile::copy(QString::fromStdString(FileName), QString::fromStdString(Target))) return true;
        Error = "Cannot write the file " + Quoted(Target) + ".";
        return false;
    }
    QImageReader Reader(QString::fromStdString(FileName));
    Reader.setDecideFormatFromContent(true);
    Reader.setAutoTransform(true);
    QImage Picture = Reader.read();
    if (Picture.width() > ConvertedPictureMax || Picture.height() > ConvertedPictureMax)
        Picture = Picture.scaled(ConvertedPictureMax, ConvertedPictureMax, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    // Bitmaps have no transparency: transparent parts are shown on white.
    QImage Flat(Picture.size(), QImage::Format_RGB32);
    Flat.fill(Qt::white);
    {
        QPainter Painter(&Flat);
        Painter.drawImage(0, 0, Picture);
    }
    if (!Flat.save(QString::fromStdString(Target), "BMP")) {
        Error = "Cannot write the file " + Quoted(Target) + ".";
        return false;
    }
    return true;
}

void InsertTrackRow(TStringGridData& Tracks, int TrackCount, int Row) {
    if (Row < 1 || Row > TrackCount) return;
    for (int j = TrackCount; j > Row; --j)
        CopyTrackRow(Tracks, j, j - 1);
    EmptyTrackRow(Tracks, Row);
}

void DeleteTrackRow(TStringGridData& Tracks, int TrackCount, int Row) {
    if (Row < 1 || Row > TrackCount) return;
    for (int j = Row; j < TrackCount; ++j)
        CopyTrackRow(Tracks, j, j + 1);
    EmptyTrackRow(Tracks, TrackCount);
}

void MoveTrackRow(TStringGridData& Tracks, int From, int To) {
    const int Last = Tracks.RowCount() - 1;
    if (From < 1 || To < 1 || From > Last || To > Last || From == To) return;
    std::string Moved[TrackColumns];
    for (int c = 0; c < TrackColumns; ++c)
        Moved[c] = Tracks.Cells(c, From);
    const int Step = From < To ? 1 : -1;
    for (int j = From; j != To; j += Step)
        CopyTrackRow(Tracks, j, j + Step);
    for (int c = 0; c < TrackColumns; ++c)
        Tracks.SetCells(c, To, Moved[c]);
}

bool AddNewReferenceEntry(std::vector<std::string>& Names, const std::string& Text, const std::string& File) {
    if (Text.empty() || ContainsReferenceName(Names, Text)) return true;
    InsertReferenceName(Names, Text);
    return WriteReferenceList(File, Names);
}

std::string CannotSaveListsMessage(const std::vector<std::string>& Titles) {
    std::string Names;
    for (std::size_t i = 0; i < Titles.size(); ++i)
        Names += (i == 0 ? "" : i + 1 == Titles.size() ? " and " : ", ") + Titles[i];
    return "Cannot save " + Names + (Titles.size() > 1 ? " files!" : " file!");
}
