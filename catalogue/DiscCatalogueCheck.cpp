#include "catalogue/DiscCatalogueCheck.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscDataHolder.h"
#include "catalogue/DiscRecord.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/Vlf.h"

namespace {

class TProblems {
public:
    TProblems(TCatalogueCheck& Result, int Max) : FResult(Result), FMax(Max) {}
    ~TProblems() {
        if (FHidden > 0) FResult.Problems.push_back("... and " + std::to_string(FHidden) + " more problems");
    }
    void Add(const std::string& Text) {
        FResult.Ok = false;
        if (static_cast<int>(FResult.Problems.size()) < FMax)
            FResult.Problems.push_back(Text);
        else
            ++FHidden;
    }

private:
    TCatalogueCheck& FResult;
    int FMax;
    int FHidden = 0;
};

struct TLiveRecord {
    std::string Code;
    std::array<std::string, DiscKeyCount> Keys;
    std::array<int, DiscKeyCount> Entries{};
    TDiscBlobRefs Refs;
};

std::string RecordName(std::int32_t RecNo, const TLiveRecord& Rec) {
    return "record " + std::to_string(RecNo) + " (" + Rec.Code + ")";
}

// The file's own name, as the problems name it.
std::string FileName(const std::string& Path) {
    return std::filesystem::path(Path).filename().string();
}

void CheckBlobs(const std::string& StorePath, const std::map<std::int32_t, TLiveRecord>& Live,
                TProblems& Problems) {
    bool any = false;
    for (const auto& [recNo, rec] : Live)
        any = any || rec.Refs.Tracks || rec.Refs.Notes || rec.Refs.Picture || rec.Refs.Sample;
    if (!any) return;
    TVlf store;
    ConfigureDiscStore(store);
    store.FileOpenMode = OpenRead;
    const std::string name = FileName(StorePath);
    std::error_code ec;
    if (!std::filesystem::exists(StorePath, ec)) {
        Problems.Add(name + " is missing but records refer to it");
        return;
    }
    if (!store.OpenStore(StorePath)) {
        Problems.Add("cannot open " + name + ": " + store.LastError());
        return;
    }
    // Blobs lie in roughly the order of their records: read on through a window.
    store.ReadAhead = true;
    // Every reference must land on the start of a distinct in-use block of the chain, of its kind, whose
    // data agrees with its length: a block covered by a damaged length, a copied header or a free block
    // laid over a live one is reached by no walk.
    std::vector<TVlf::TBlockInfo> blocks;
    std::int64_t brokenAt = -1;
    std::int64_t zerosFrom = -1;
    if (!store.WalkBlocks(blocks, brokenAt, &zerosFrom))
        Problems.Add(name + ": the chain of blocks breaks at position " + std::to_string(brokenAt));
    // Space an append had taken when its program was stopped: no block, and a reader of the layout
    // finds none there. The next open for writing cuts it off.
    if (zerosFrom >= 0)
        Problems.Add(name + ": zero bytes follow the last block from position " + std::to_string(zerosFrom) +
                     " (left by a program that was stopped while it added an item); opening the catalogue "
                     "cuts them off");
    std::map<std::int32_t, const TVlf::TBlockInfo*> chain;
    for (const TVlf::TBlockInfo& block : blocks)
        chain.emplace(block.Pos, &block);
    std::map<std::int32_t, std::int32_t> owners;
    for (const auto& live : Live) {
        // Named here rather than bound: a lambda of older compilers cannot capture a structured binding.
        const std::int32_t recNo = live.first;
        const TLiveRecord& rec = live.second;
        const auto check = [&](std::int32_t Ref, std::int16_t Kind, const char* What) {
            if (Ref == 0) return;
            if (const auto [it, fresh] = owners.emplace(Ref, recNo); !fresh) {
                Problems.Add(RecordName(recNo, rec) + ": its " + What + " at " + std::to_string(Ref) +
                             " also belongs to record " + std::to_string(it->second));
                return;
            }
            const auto found = chain.find(Ref);
            std::string fault;
            if (found == chain.end())
                fault = "is not a block of the chain";
            else if (!found->second->InUse)
                fault = "is a free block";
            else if (found->second->Kind != Kind)
                fault = "holds an item of another kind";
            else if (!store.ContentFits(Ref))
                fault = "is damaged (" + store.LastError() + ")";
            if (!fault.empty())
                Problems.Add(RecordName(recNo, rec) + ": its " + What + " at " + std::to_string(Ref) + " " +
                             fault);
        };
        check(rec.Refs.Tracks, VlfKindTracks, "track list");
        check(rec.Refs.Notes, VlfKindNotes, "notes");
        check(rec.Refs.Picture, VlfKindPicture, "picture");
        check(rec.Refs.Sample, VlfKindSample, "sample");
    }
    store.CloseStore();
}

} // namespace

TCatalogueCheck CheckDiscCatalogue(const std::string& DataDir, int MaxProblems) {
    const std::string base = DataDir + "disc";
    std::error_code ec;
    std::string leftOver;
    if (std::filesystem::exists(base + "2.SWP", ec)) {
        const TCatalogueCheck waiting =
            SwapFilesWaiting(DataDir) ? CheckSwapWaitingFiles(DataDir) : TCatalogueCheck{};
        if (waiting.Ok) {
            TCatalogueCheck result;
            TProblems(result, MaxProblems)
                .Add("a rebuild or repair was stopped while it replaced the files; opening the catalogue "
                     "finishes it");
            return result;
        }
        leftOver = UnfinishedSwapText(DataDir, waiting) +
                   "; opening the catalogue sets them aside and keeps the catalogue's own files";
    }
    if (!std::filesystem::exists(base + ".DAT", ec)) {
        TCatalogueCheck result;
        TProblems problems(result, MaxProblems);
        if (!leftOver.empty()) problems.Add(leftOver);
        problems.Add("there is no catalogue (disc.DAT) in " + DataDir);
        return result;
    }
    TCatalogueCheck result = CheckDiscFiles({base + ".DAT", base + ".IX", base + ".VLF"}, MaxProblems);
    if (!leftOver.empty()) {
        result.Ok = false;
        result.Problems.insert(result.Problems.begin(), leftOver);
    }
    return result;
}

TDiscFileSet SwapWaitingFiles(const std::string& DataDir) {
    TDiscFileSet files;
    for (auto [ext, path] :
         {std::pair{".DAT", &files.Data}, std::pair{".IX", &files.Index}, std::pair{".VLF", &files.Store}}) {
        std::error_code ec;
        const std::string waiting = DataDir + "disc2" + ext;
        *path = std::filesystem::exists(waiting, ec) ? waiting : DataDir + "disc" + ext;
    }
    return files;
}

bool SwapFilesWaiting(const std::string& DataDir) {
    std::error_code ec;
    for (const char* name : {"disc2.DAT", "disc2.IX", "disc2.VLF"})
        if (std::filesystem::exists(DataDir + name, ec)) return true;
    return false;
}

TCatalogueCheck CheckSwapWaitingFiles(const std::string& DataDir) {
    // A rebuild's new set always has all three files.
    const TDiscFileSet files = SwapWaitingFiles(DataDir);
    for (const std::string* path : {&files.Data, &files.Index, &files.Store}) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*path, ec)) {
            TCatalogueCheck missing;
            missing.Ok = false;
            missing.Problems.push_back(FileName(*path) + " is missing");
            return missing;
        }
    }
    return CheckDiscFiles(files, 1);
}

std::string UnfinishedSwapText(const std::string& DataDir, const TCatalogueCheck& Check) {
    std::vector<std::string> names;
    for (const char* name : {"disc2.SWP", "disc2.DAT", "disc2.IX", "disc2.VLF"}) {
        std::error_code ec;
        if (std::filesystem::exists(DataDir + name, ec)) names.push_back(name);
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text + (names.size() == 1 ? " lies" : " lie") +
           " beside the catalogue as if a rebuild or repair had stopped while it replaced the files, but the "
           "files it would put in place do not make a sound catalogue (" +
           // What the problem advises for a catalogue's own files does not hold for these.
           (Check.Problems.empty() ? std::string("they cannot be read")
                                   : Check.Problems.front().substr(0, Check.Problems.front().find("; "))) +
           ")";
}

TCatalogueCheck CheckDiscFiles(const TDiscFileSet& Files, int MaxProblems) {
    TCatalogueCheck result;
    TProblems problems(result, MaxProblems);
    if (!RecordEngineInitialized()) InitRecordEngine(MinPageBuffers);
    // The engine names the record file and its index apart as "data;index".
    const auto stem = [](const std::string& Path) { return Path.substr(0, Path.rfind('.')); };
    const std::string base =
        stem(Files.Data) == stem(Files.Index) ? stem(Files.Data) : Files.Data + ";" + Files.Index;
    TRecordFile* file = nullptr;
    OpenRecordFile(file, base, true);
    if (!EngineOK) {
        if (EngineError == eeModified)
            problems.Add("the catalogue was not closed properly (error 10010); it needs a repair");
        else
            problems.Add(
                "cannot open the catalogue: error " + std::to_string(EngineError) +
                (EngineErrorIsDamage(EngineError) ? "; its files are damaged and need a repair" : ""));
        return result;
    }
    if (RecordLength(file) != DiscRecordSize) {
        problems.Add(FileName(Files.Data) + " holds records of " + std::to_string(RecordLength(file)) +
                     " bytes, not " + std::to_string(DiscRecordSize));
        CloseRecordFile(file);
        return result;
    }
    if (const std::string fault = CheckRecordFile(file); !fault.empty())
        problems.Add("index or free chain damaged: " + fault + " (error " + std::to_string(EngineError) +
                     ")");

    result.Slots = RecordSlotCount(file);
    std::map<std::int32_t, TLiveRecord> live;
    ForEachDiscRecord(file, [&](std::int32_t recNo, const TDiscRecordBytes* Bytes) {
        if (!Bytes) {
            problems.Add("record " + std::to_string(recNo) + " cannot be read: error " +
                         std::to_string(EngineError));
            return true;
        }
        const TDiscRecordBytes& bytes = *Bytes;
        if (DiscRecordStatus(bytes) != 0) return true;
        TLiveRecord& rec = live.emplace_hint(live.end(), recNo, TLiveRecord{})->second;
        for (int k = 1; k <= DiscKeyCount; ++k)
            rec.Keys[k - 1] = DiscKeyValue(bytes, k);
        rec.Code = rec.Keys[0];
        rec.Refs = DiscBlobRefs(bytes);
        return true;
    });
    result.Records = static_cast<int>(live.size());
    // Record number -> live record, for the index walks' lookups.
    std::vector<TLiveRecord*> byRecNo(static_cast<std::size_t>(std::max(result.Slots, 1)), nullptr);
    for (auto& [recNo, rec] : live)
        byRecNo[static_cast<std::size_t>(recNo)] = &rec;

    for (int k = 1; k <= DiscKeyCount; ++k) {
        ClearKey(file, k);
        std::int32_t recNo = 0;
        std::string key;
        long long entries = 0;
        for (;;) {
            NextKey(file, k, recNo, key);
            if (!EngineOK) {
                if (EngineError != eeNoNextKey)
                    problems.Add("index " + std::to_string(k) + " cannot be walked: error " +
                                 std::to_string(EngineError));
                break;
            }
            if (++entries > result.Slots) {
                problems.Add("index " + std::to_string(k) + " holds more entries than there are records");
                break;
            }
            TLiveRecord* rec = recNo >= 1 && static_cast<std::size_t>(recNo) < byRecNo.size()
                                   ? byRecNo[static_cast<std::size_t>(recNo)]
                                   : nullptr;
            if (!rec) {
                problems.Add("index " + std::to_string(k) + ": key \"" + key + "\" leads to record " +
                             std::to_string(recNo) + ", which is not a live record");
                continue;
            }
            ++rec->Entries[k - 1];
            if (rec->Keys[k - 1] != key)
                problems.Add("index " + std::to_string(k) + ": key \"" + key + "\" of " +
                             RecordName(recNo, *rec) + " does not match its field \"" + rec->Keys[k - 1] +
                             "\"");
        }
        if (KeyCount(file, k) != result.Records)
            problems.Add("index " + std::to_string(k) + " counts " + std::to_string(KeyCount(file, k)) +
                         " keys for " + std::to_string(result.Records) + " records");
    }
    for (const auto& [recNo, rec] : live)
        for (int k = 1; k <= DiscKeyCount; ++k)
            if (rec.Entries[k - 1] != 1)
                problems.Add(RecordName(recNo, rec) + " has " + std::to_string(rec.Entries[k - 1]) +
                             " entries in index " + std::to_string(k));
    CloseRecordFile(file);

    CheckBlobs(Files.Store, live, problems);
    return result;
}
