// Settings and tags of a copy, from the program's settings and the catalogue.
#include "copy/CopySetup.h"

#include <QBuffer>
#include <QStandardPaths>
#include <filesystem>

#include "catalogue/CatalogueReports.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscLookup.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/GridImage.h"
#include "catalogue/ReadOnlyCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/DiscIdentity.h"
#include "devices/DiscIds.h"

namespace {

std::string OffsetKey(const std::string& Drive) {
    return Drive + "=";
}

} // namespace

TCopySettings CopySettingsFor(const TPlayerSettings& Settings, const std::string& Drive) {
    TCopySettings Copy;
    Copy.Folder = Settings.CopyFolder;
    if (Copy.Folder.empty()) {
        Copy.Folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString();
        if (Copy.Folder.empty())
            Copy.Folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation).toStdString();
    }
    Copy.Pattern = Settings.CopyPattern;
    Copy.FlacLevel = std::clamp(Settings.CopyFlacLevel, 0, 8);
    Copy.ReadOffset = ReadOffsetFor(Settings, Drive);
    Copy.CheckAccurateRip = Settings.CopyCheckAccurateRip;
    Copy.AccurateRipServer = Settings.LookupAccurateRipServer;
    const TLookupServers Servers = LookupServersOf(Settings);
    Copy.UserAgent = TDiscLookup(Servers).UserAgent();
    Copy.TimeoutMs = Servers.TimeoutMs;
    Copy.IntervalMs = Servers.IntervalMs;
    return Copy;
}

int ReadOffsetFor(const TPlayerSettings& Settings, const std::string& Drive) {
    const std::string Key = OffsetKey(Drive);
    for (const std::string& Entry : Settings.CopyReadOffsets)
        if (Entry.compare(0, Key.size(), Key) == 0) {
            try {
                return std::clamp(std::stoi(Entry.substr(Key.size())), -100000, 100000);
            } catch (const std::exception&) {
                return 0;
            }
        }
    return 0;
}

void RememberReadOffset(TPlayerSettings& Settings, const std::string& Drive, int Offset) {
    const std::string Key = OffsetKey(Drive);
    auto& List = Settings.CopyReadOffsets;
    List.erase(
        std::remove_if(List.begin(), List.end(),
                       [&](const std::string& Entry) { return Entry.compare(0, Key.size(), Key) == 0; }),
        List.end());
    List.push_back(Key + std::to_string(Offset));
}

TCopyTags CopyTagsOf(const TDiscListing& Disc, const TPlayerSettings& Settings, const TDriveToc& Toc) {
    TCopyTags Tags;
    const TDiscRecord& Rec = Disc.Rec;
    Tags.Album = Rec.DiscName;
    Tags.Artist = Rec.Artist;
    Tags.Composer = Rec.Composer;
    Tags.Label = Rec.RecordLabel;
    Tags.Genre = Rec.MusicType;
    Tags.DiscCode = Rec.DiscCode;
    Tags.Year = Rec.Year;
    const bool ArtistColumn = Settings.TracksUser1Caption == "Artist";
    const bool ComposerColumn = Settings.TracksUser2Caption == "Composer";
    int Last = 0;
    for (const TTocTrack& Track : Toc.Tracks)
        Last = std::max(Last, Track.Number);
    for (int Number = 1; Number <= std::min(Last, MaxDiscTracks); ++Number)
        Tags.Tracks.push_back({Disc.Tracks.Cells(0, Number), ArtistColumn ? Disc.Tracks.Cells(1, Number) : "",
                               ComposerColumn ? Disc.Tracks.Cells(2, Number) : ""});
    const TDiscIds Ids = ComputeDiscIds(Toc);
    if (Ids.Valid()) Tags.MusicBrainzDiscId = Ids.MusicBrainz;
    if (!Disc.Picture.isNull()) {
        QByteArray Png;
        QBuffer Buffer(&Png);
        Buffer.open(QIODevice::WriteOnly);
        if (Disc.Picture.save(&Buffer, "PNG")) {
            Tags.Picture.Data = Png.toStdString();
            Tags.Picture.Mime = "image/png";
            Tags.Picture.Width = Disc.Picture.width();
            Tags.Picture.Height = Disc.Picture.height();
            Tags.Picture.Depth = Disc.Picture.depth();
        }
    }
    return Tags;
}

TCopyTags CatalogueCopyTags(const std::string& DataDir, const TPlayerSettings& Settings, const TDriveToc& Toc,
                            const TCdText& Text, std::string& Error) {
    TDiscListing Disc;
    const std::string Code = DiscCodeText(DiscIdentity(Toc));
    bool Found = false;
    TReadOnlyCatalogue File;
    std::error_code Missing;
    if (std::filesystem::exists(DataDir + "disc.DAT", Missing) && File.Open(DataDir, Error)) {
        std::int32_t RecNo = 0;
        FindKey(File.File, kDiscCode, RecNo, CutKey(Code, kDiscCode));
        TDiscRecordBytes Bytes;
        if (EngineOK && ReadDiscRecord(File.File, RecNo, Bytes) && DiscRecordStatus(Bytes) == 0) {
            Disc.Rec = DecodeDiscRecord(Bytes);
            Found = Disc.Rec.DiscCode == CutKey(Code, kDiscCode);
        }
    }
    if (Found) {
        TVlf Store;
        ConfigureDiscStore(Store);
        Store.FileOpenMode = OpenRead;
        if (std::filesystem::exists(DataDir + "disc.VLF", Missing)) Store.OpenStore(DataDir + "disc.VLF");
        if (Store.IsOpen()) {
            TStringGridData Grid(0, 0);
            if (Disc.Rec.TracksRef && LoadGrid(Store, Disc.Rec.TracksRef, Grid)) {
                DecodeGridTexts(Grid);
                Disc.Tracks = std::move(Grid);
                Disc.Tracks.Resize(std::max(Disc.Tracks.ColCount(), DiscGridCols), DiscGridRows);
            }
            Disc.Picture = ReadDiscPicture(Store, Disc.Rec.PictureRef);
            Store.CloseStore();
        }
        return CopyTagsOf(Disc, Settings, Toc);
    }
    // A disc the catalogue does not know: what the disc says of itself.
    Disc.Rec.DiscCode = Code;
    Disc.Rec.DiscName = Text.DiscTitle;
    Disc.Rec.Artist = Text.DiscPerformer;
    for (std::size_t I = 0; I < Text.TrackTitles.size() && I + 1 < DiscGridRows; ++I) {
        Disc.Tracks.SetCells(0, static_cast<int>(I + 1), Text.TrackTitles[I]);
        if (I < Text.TrackPerformers.size())
            Disc.Tracks.SetCells(1, static_cast<int>(I + 1), Text.TrackPerformers[I]);
    }
    TPlayerSettings Plain = Settings;
    Plain.TracksUser1Caption = "Artist";
    return CopyTagsOf(Disc, Plain, Toc);
}
