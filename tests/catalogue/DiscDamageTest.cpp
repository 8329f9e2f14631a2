// Damaged catalogue files at the catalogue level: a small real catalogue has random bytes of disc.DAT,
// disc.IX or disc.VLF overwritten, cut off or appended to, then every catalogue operation runs over it:
// discs are loaded, edited, deleted and added, and the catalogue packed or repaired.
// None may crash, hang or read out of bounds, and none may report success while a disc whose stored
// bytes were not damaged can no longer be recovered.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <unistd.h>

#include "DiscTestSupport.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"

namespace fs = std::filesystem;

namespace {

constexpr int DiscCount = 5;
const char* const SetFiles[] = {"disc.DAT", "disc.IX", "disc.VLF"};

volatile std::sig_atomic_t CurrentRound = -1;

void OnAlarm(int) {
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "round %d did not finish\n", static_cast<int>(CurrentRound));
    (void)!::write(2, text, static_cast<std::size_t>(n));
    ::_exit(3);
}

struct TBlobSpan {
    std::int32_t Pos = 0;
    std::int64_t End = 0; // header, data
};

// The catalogue every round starts from: its three files and, per disc, where its record and blobs lie.
struct TTemplate {
    std::string Files[3];
    std::map<std::string, std::int32_t> RecNo;           // code -> record number
    std::map<std::string, std::vector<TBlobSpan>> Blobs; // code -> its blobs in disc.VLF
    std::map<std::string, std::string> Notes;
};

std::string NameOf(int I) {
    return "Disc " + std::to_string(I);
}

TTemplate BuildTemplate() {
    TTemplate t;
    TCatalogueFolder f;
    // Disc 6 is stored and deleted again, so disc.DAT has a free chain.
    for (int i = 1; i <= DiscCount + 1; ++i) {
        const std::string code = CodeOf(i);
        const std::string notes =
            "Notes of " + NameOf(i) + std::string(static_cast<std::size_t>(40 * i), 'x');
        const std::int32_t recNo = f.Save(MakeDisc(code, NameOf(i), i % 2 ? "Bach" : "Brahms"), 3 + i, notes);
        t.RecNo[code] = recNo;
        t.Notes[code] = notes;
    }
    // A picture on disc 2 and a sample on disc 4.
    for (int i : {2, 4}) {
        TDiscRecord rec = LoadEntry(f.Cat(), CodeOf(i)).Rec;
        const bool picture = i == 2;
        const std::string work = picture ? f.Cat().WorkingPicture() : f.Cat().WorkingSample();
        WriteFileBytes(work, std::string(picture ? 1500 : 2500, static_cast<char>('a' + i)));
        EXPECT_TRUE(f.Cat().OpenDiscVlf());
        (picture ? rec.PictureRef : rec.SampleRef) =
            f.Cat().fvlf.Vlf.StoreFile(0, work, picture ? VlfKindPicture : VlfKindSample);
        f.Cat().CloseDiscVlf();
        EXPECT_TRUE(f.Cat().PutDiscRecord(rec));
    }
    EXPECT_TRUE(f.Cat().DeleteDisc(t.RecNo[CodeOf(DiscCount + 1)]));
    t.RecNo.erase(CodeOf(DiscCount + 1));
    EXPECT_TRUE(f.Check().Ok) << Problems(f.Check());

    EXPECT_TRUE(f.Cat().OpenDiscVlf());
    for (const auto& [code, recNo] : t.RecNo) {
        const TDiscRecord rec = LoadEntry(f.Cat(), code).Rec;
        EXPECT_TRUE(f.Cat().OpenDiscVlf());
        for (std::int32_t ref : {rec.TracksRef, rec.NotesRef, rec.PictureRef, rec.SampleRef})
            if (ref != 0) t.Blobs[code].push_back({ref, ref + 8LL + f.Cat().fvlf.Vlf.ItemLength(ref)});
        f.Cat().CloseDiscVlf();
    }
    for (int i = 0; i < 3; ++i)
        t.Files[i] = ReadFileBytes(f.Home.File(SetFiles[i]));
    return t;
}

// The damage of one round: which bytes of which file no longer hold what was stored.
struct TDamage {
    int File = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> Spans; // [from, to) changed or cut off

    bool Touches(std::int64_t From, std::int64_t To) const {
        for (const auto& [a, b] : Spans)
            if (a < To && From < b) return true;
        return false;
    }
};

TDamage Damage(std::mt19937& Rng, std::string Files[3]) {
    TDamage d;
    d.File = static_cast<int>(Rng() % 3);
    std::string& bytes = Files[d.File];
    const auto pick = [&](std::size_t N) { return N == 0 ? 0 : static_cast<std::size_t>(Rng() % N); };
    switch (Rng() % 4) {
    case 0:
    case 1: { // a few bytes overwritten, now and then the first bytes of the file
        const int count = 1 + static_cast<int>(Rng() % 8);
        for (int n = 0; n < count; ++n) {
            const std::size_t at = Rng() % 5 == 0 ? pick(64) : pick(bytes.size());
            if (at >= bytes.size()) continue;
            const char old = bytes[at];
            bytes[at] = Rng() % 3 == 0 ? '\0' : static_cast<char>(Rng());
            if (bytes[at] != old) d.Spans.push_back({static_cast<std::int64_t>(at), at + 1LL});
        }
        break;
    }
    case 2: { // cut off
        const std::size_t length = pick(bytes.size());
        d.Spans.push_back({static_cast<std::int64_t>(length), INT64_MAX});
        bytes.resize(length);
        break;
    }
    default: { // extended by zeros or noise
        const std::size_t extra = 1 + pick(3000);
        const bool noise = Rng() % 2 == 0;
        for (std::size_t n = 0; n < extra; ++n)
            bytes.push_back(noise ? static_cast<char>(Rng()) : '\0');
        break;
    }
    }
    return d;
}

// Discs whose stored record (and, with VlfToo, blobs) the damage left alone.
std::set<std::string> Undamaged(const TTemplate& T, const TDamage& D, bool VlfToo) {
    std::set<std::string> codes;
    for (const auto& [code, recNo] : T.RecNo) {
        bool intact = true;
        if (D.File == 0) intact = !D.Touches(12, 16) && !D.Touches(recNo * 1204LL, (recNo + 1) * 1204LL);
        if (D.File == 2 && VlfToo) {
            intact = !D.Touches(0, 2);
            for (const TBlobSpan& b : T.Blobs.at(code))
                intact = intact && !D.Touches(b.Pos, b.End);
        }
        if (intact) codes.insert(code);
    }
    return codes;
}

// Live codes and names of disc.DAT as a repair would find them.
std::map<std::string, std::string> SalvageableDiscs(const std::string& BaseName) {
    std::map<std::string, std::string> discs;
    TRecordFile* file = nullptr;
    OpenRecordFileForSalvage(file, BaseName);
    if (!EngineOK) return discs;
    const std::int32_t slots = RecordSlotCount(file);
    for (std::int32_t recNo = 1; recNo < slots; ++recNo) {
        TDiscRecordBytes bytes;
        if (ReadDiscRecord(file, recNo, bytes) && DiscRecordStatus(bytes) == 0) {
            const TDiscRecord rec = DecodeDiscRecord(bytes);
            discs.emplace(rec.DiscCode, rec.DiscName);
        }
    }
    CloseRecordFile(file);
    return discs;
}

std::string Describe(const TDamage& D) {
    std::string s = std::string(" damage in ") + SetFiles[D.File] + ":";
    for (const auto& [a, b] : D.Spans)
        s += " " + std::to_string(a) + "-" + std::to_string(b);
    return s;
}

std::string Messages(const TRecordingAnswerer& A) {
    std::string all;
    for (const auto& m : A.Errors)
        all += "\n  " + m;
    for (const auto& m : A.Questions)
        all += "\n  ? " + m;
    return all;
}

} // namespace

TEST(DiscCatalogueDamage, RandomDamageNeverCrashesHangsOrLosesUndamagedDiscs) {
    const TTemplate base = BuildTemplate();
    ASSERT_EQ(base.RecNo.size(), static_cast<std::size_t>(DiscCount));
    const char* seedText = std::getenv("DAMAGE_SEED");
    std::mt19937 rng(seedText ? std::stoul(seedText) : 20240611);
    const auto oldAlarm = std::signal(SIGALRM, OnAlarm);
    for (int round = 0; round < 300; ++round) {
        CurrentRound = round;
        ::alarm(20);
        SCOPED_TRACE("round " + std::to_string(round));
        TCatalogueFolder f;
        std::string files[3] = {base.Files[0], base.Files[1], base.Files[2]};
        const TDamage damage = Damage(rng, files);
        for (int i = 0; i < 3; ++i)
            WriteFileBytes(f.Home.File(SetFiles[i]), files[i]);
        const auto answer = [&] {
            f.Answers.Answers.clear();
            for (int n = 0; n < 3; ++n)
                f.Answers.Answers.push_back(rng() % 2 ? idYes : idNo);
        };

        const TCatalogueCheck first = f.Check();
        std::set<std::string> gone; // asked to be deleted
        std::map<std::string, std::string> renamed;
        std::set<std::string> surely; // renamed by a save that reported success
        for (const auto& [code, recNo] : base.RecNo) {
            answer();
            TDiscRecord rec;
            TStringGridData grid;
            std::string memo;
            TDiscKeys keys;
            std::int32_t no = 0;
            f.Cat().LoadDisc(code, rec, grid, memo, keys, no);
            // A catalogue the check calls sound serves every disc.
            if (first.Ok) {
                EXPECT_GT(no, 0) << code;
                continue;
            }
            if (no == 0 || rng() % 3 != 0) continue;
            if (rng() % 2) {
                rec.DiscName = "Renamed " + code.substr(12);
                // A save that could not write its grid or notes still stores the record: either name
                // may be there after a failure.
                renamed[code] = rec.DiscName;
                if (f.Cat().SaveDisc(rec, grid, memo, no, keys)) {
                    surely.insert(code);
                    TDiscRecord again;
                    std::int32_t againNo = 0;
                    answer();
                    f.Cat().LoadDisc(code, again, grid, memo, keys, againNo);
                    EXPECT_EQ(again.DiscName, rec.DiscName)
                        << code << Describe(damage) << Messages(f.Answers);
                }
            } else {
                // A failure to free its blobs is reported, but the disc is gone all the same.
                f.Cat().DeleteDisc(no);
                gone.insert(code);
            }
        }

        // A disc added after the damage, then every undamaged disc that no write was meant to touch must be
        // byte for byte as it was, unless a repair has already replaced the files.
        answer();
        {
            TDiscRecord added = MakeDisc(CodeOf(0x100 + round), "Added");
            TStringGridData grid;
            ResetDiscGrid(grid, added.DiscCode);
            grid.SetCells(0, 1, "Added track");
            std::int32_t no = 0;
            TDiscKeys keys;
            f.Cat().SaveDisc(added, grid, std::string(static_cast<std::size_t>(rng() % 400), 'a'), no, keys);
        }
        if (!fs::exists(f.Home.File("disc-damaged.DAT"))) {
            const std::string dat = ReadFileBytes(f.Home.File("disc.DAT"));
            const std::string vlf = ReadFileBytes(f.Home.File("disc.VLF"));
            const auto same = [](const std::string& Now, const std::string& Was, std::int64_t From,
                                 std::int64_t To) {
                return Now.size() >= static_cast<std::size_t>(To) &&
                       Now.compare(From, To - From, Was, From, To - From) == 0;
            };
            for (const std::string& code : Undamaged(base, damage, true)) {
                if (gone.count(code) || renamed.count(code)) continue;
                const std::int64_t slot = base.RecNo.at(code) * 1204LL;
                EXPECT_TRUE(same(dat, base.Files[0], slot, slot + 1204))
                    << code << " record changed" << Describe(damage);
                for (const TBlobSpan& b : base.Blobs.at(code))
                    EXPECT_TRUE(same(vlf, base.Files[2], b.Pos, b.End))
                        << code << " blob at " << b.Pos << " changed" << Describe(damage);
            }
        }

        answer();
        const int op = static_cast<int>(rng() % 3);
        const bool packed = op == 0   ? f.Cat().PackCatalogue()
                            : op == 1 ? f.Cat().RepairDatabase()
                                      : (f.Answers.Answers.push_front(idYes), f.Cat().RebuildDatabase());
        if (packed) {
            const TCatalogueCheck after = f.Check();
            EXPECT_TRUE(after.Ok) << "after " << (op == 1 ? "repair" : "pack") << ":\n" << Problems(after);
        }

        // Every undamaged disc is still there, or at least in what a repair reads.
        std::map<std::string, std::string> found = SalvageableDiscs(f.Home.File("disc"));
        if (!packed) {
            // The old files may only have been moved aside by a repair that failed late.
            for (const auto& [code, name] : SalvageableDiscs(f.Home.File("disc-damaged")))
                found.emplace(code, name);
        }
        for (const std::string& code : Undamaged(base, damage, false)) {
            if (gone.count(code)) continue;
            const auto it = found.find(code);
            ASSERT_NE(it, found.end()) << code << " lost (damage in " << SetFiles[damage.File] << ", op "
                                       << op << (packed ? " succeeded)" : " failed)") << Messages(f.Answers);
            const std::string stored = NameOf(std::stoi(code, nullptr, 16));
            if (surely.count(code) || it->second != stored) {
                EXPECT_EQ(it->second, renamed[code]);
            }
        }
        // A sound result keeps the blobs the damage did not reach.
        if (packed && damage.File == 2) {
            for (const std::string& code : Undamaged(base, damage, true)) {
                if (gone.count(code)) continue;
                answer();
                const auto [rec, grid, memo, keys, no] = LoadEntry(f.Cat(), code);
                ASSERT_GT(no, 0) << code;
                EXPECT_EQ(memo, base.Notes.at(code)) << code;
                EXPECT_EQ(grid.Cells(0, 3), "Track 3") << code;
            }
        }
        if (HasFailure()) break;
    }
    ::alarm(0);
    std::signal(SIGALRM, oldAlarm);
}
