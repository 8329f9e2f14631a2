// The disc identifier, checksums and dBAR file of the AccurateRip database.
#include "copy/AccurateRip.h"

#include <algorithm>
#include <cstdio>

#include "devices/DiscIds.h"

namespace {

constexpr int LeadInFrames = 150;
constexpr std::uint64_t SkippedSamples = 5 * 588; // five sectors
constexpr std::size_t HeaderBytes = 13;
constexpr std::size_t TrackBytes = 9;

std::uint32_t ReadWord(const std::string& Bytes, std::size_t At) {
    std::uint32_t Word = 0;
    for (int I = 3; I >= 0; --I)
        Word = Word << 8 | static_cast<unsigned char>(Bytes[At + static_cast<std::size_t>(I)]);
    return Word;
}

void PutWord(std::string& Bytes, std::uint32_t Word) {
    for (int I = 0; I < 4; ++I)
        Bytes.push_back(static_cast<char>(Word >> (8 * I) & 0xff));
}

} // namespace

std::string TArDiscId::Text() const {
    char Text[40];
    std::snprintf(Text, sizeof Text, "%03d-%08x-%08x-%08x", AudioTracks, Id1, Id2, FreeDb);
    return Text;
}

TArDiscId ComputeArDiscId(const TDriveToc& Toc) {
    TArDiscId Id;
    std::uint32_t Position = 0;
    for (const TTocTrack& Track : Toc.Tracks) {
        if (!Track.Audio) continue;
        const auto Offset = static_cast<std::uint32_t>(std::max(0, Track.StartFrame - LeadInFrames));
        ++Position;
        Id.Id1 += Offset;
        Id.Id2 += std::max<std::uint32_t>(Offset, 1) * Position;
    }
    if (Position == 0) {
        Id.Error = "the disc has no audio track";
        return Id;
    }
    const auto LeadOut = static_cast<std::uint32_t>(std::max(0, Toc.LeadOutFrame - LeadInFrames));
    Id.AudioTracks = static_cast<int>(Position);
    Id.Id1 += LeadOut;
    Id.Id2 += LeadOut * (Position + 1);
    const TDiscIds Ids = ComputeDiscIds(Toc);
    if (!Ids.Valid()) {
        Id.Error = Ids.Error;
        return Id;
    }
    Id.FreeDb = static_cast<std::uint32_t>(std::stoul(Ids.FreeDb, nullptr, 16));
    return Id;
}

std::string DbarUrl(const std::string& Server, const TArDiscId& Id) {
    std::string Base = Server;
    while (!Base.empty() && Base.back() == '/')
        Base.pop_back();
    char Path[80];
    std::snprintf(Path, sizeof Path, "/accuraterip/%x/%x/%x/dBAR-", Id.Id1 & 0xf, Id.Id1 >> 4 & 0xf,
                  Id.Id1 >> 8 & 0xf);
    return Base + Path + Id.Text() + ".bin";
}

TArChecksumRun::TArChecksumRun(std::uint64_t TrackSamples, bool FirstTrack, bool LastTrack)
    : FFrom(FirstTrack ? SkippedSamples : 1),
      FTo(LastTrack ? (TrackSamples > SkippedSamples ? TrackSamples - SkippedSamples : 0) : TrackSamples) {}

void TArChecksumRun::Add(const std::int16_t* Samples, std::size_t Pairs) {
    std::uint32_t V1 = FV1, V2 = FV2;
    std::uint64_t Position = FPosition;
    const std::uint64_t End = Position + Pairs;
    // Only the counted stretch is summed, without a test per sample.
    const std::uint64_t From = std::max(Position, FFrom);
    const std::uint64_t To = std::min(End - 1, FTo);
    for (std::uint64_t P = From; P <= To && P >= From; ++P) {
        const std::size_t I = static_cast<std::size_t>(P - Position) * 2;
        const std::uint32_t Word = static_cast<std::uint16_t>(Samples[I]) |
                                   static_cast<std::uint32_t>(static_cast<std::uint16_t>(Samples[I + 1]))
                                       << 16;
        const std::uint64_t Product = static_cast<std::uint64_t>(Word) * static_cast<std::uint32_t>(P);
        const auto Low = static_cast<std::uint32_t>(Product);
        V1 += Low;
        V2 += Low + static_cast<std::uint32_t>(Product >> 32);
    }
    FV1 = V1;
    FV2 = V2;
    FPosition = End;
}

TDbarFile ParseDbar(const std::string& Bytes, const TArDiscId& Id) {
    TDbarFile File;
    std::size_t At = 0;
    while (At < Bytes.size()) {
        if (Bytes.size() - At < HeaderBytes) {
            File.Error = "the database's file is cut short";
            break;
        }
        TDbarPressing Pressing;
        Pressing.TrackCount = static_cast<unsigned char>(Bytes[At]);
        Pressing.Id1 = ReadWord(Bytes, At + 1);
        Pressing.Id2 = ReadWord(Bytes, At + 5);
        Pressing.FreeDb = ReadWord(Bytes, At + 9);
        At += HeaderBytes;
        const std::size_t Size = TrackBytes * static_cast<std::size_t>(Pressing.TrackCount);
        if (Bytes.size() - At < Size) {
            File.Error = "the database's file is cut short";
            break;
        }
        if (Pressing.TrackCount != Id.AudioTracks || Pressing.Id1 != Id.Id1 || Pressing.Id2 != Id.Id2) {
            File.Error = "the database's file is of another disc";
            break;
        }
        for (int T = 0; T < Pressing.TrackCount; ++T, At += TrackBytes)
            Pressing.Tracks.push_back(
                {static_cast<unsigned char>(Bytes[At]), ReadWord(Bytes, At + 1), ReadWord(Bytes, At + 5)});
        File.Pressings.push_back(std::move(Pressing));
    }
    if (!File.Error.empty()) File.Pressings.clear();
    return File;
}

std::string MakeDbar(const std::vector<TDbarPressing>& Pressings) {
    std::string Bytes;
    for (const TDbarPressing& P : Pressings) {
        Bytes.push_back(static_cast<char>(P.Tracks.size()));
        PutWord(Bytes, P.Id1);
        PutWord(Bytes, P.Id2);
        PutWord(Bytes, P.FreeDb);
        for (const TDbarTrack& T : P.Tracks) {
            Bytes.push_back(static_cast<char>(T.Confidence));
            PutWord(Bytes, T.Checksum);
            PutWord(Bytes, T.Sector450Checksum);
        }
    }
    return Bytes;
}

std::string TArVerdict::Text() const {
    switch (Outcome) {
    case TArOutcome::NotChecked:
        return "not checked";
    case TArOutcome::NotInDatabase:
        return "not in the database";
    case TArOutcome::Accurate:
        return "accurately copied, confidence " + std::to_string(Confidence);
    case TArOutcome::Differs:
        return "differs from " + std::to_string(Confidence) + (Confidence == 1 ? " copy" : " copies");
    }
    return {};
}

TArVerdict VerifyTrack(const TDbarFile* Db, int Track, const TArChecksums& Sums) {
    TArVerdict Verdict;
    Verdict.Outcome = TArOutcome::NotInDatabase;
    if (!Db || Track < 0) return Verdict;
    int Matching = 0, Found = 0;
    for (const TDbarPressing& P : Db->Pressings) {
        if (Track >= static_cast<int>(P.Tracks.size())) continue;
        const TDbarTrack& Entry = P.Tracks[static_cast<std::size_t>(Track)];
        // An entry of confidence 0 is a checksum nobody submitted (a pressing lacking the track).
        if (Entry.Confidence == 0) continue;
        Found += Entry.Confidence;
        if (Entry.Checksum == Sums.V1 || Entry.Checksum == Sums.V2) Matching += Entry.Confidence;
    }
    if (Matching > 0) {
        Verdict.Outcome = TArOutcome::Accurate;
        Verdict.Confidence = Matching;
    } else if (Found > 0) {
        Verdict.Outcome = TArOutcome::Differs;
        Verdict.Confidence = Found;
    }
    return Verdict;
}
