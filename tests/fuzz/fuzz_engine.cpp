// The record engine on a damaged file pair: a pair of 60 records under six indexes (some records
// deleted), damaged by the fuzzer's patches (FuzzPatches.h; positions run over the data file and then the
// index file). The pair is opened, checked, every index walked and every slot read, then records and keys
// are added, found and deleted and the pair is closed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "FuzzPatches.h"
#include "catalogue/store/RecordEngine.h"

namespace fs = std::filesystem;

namespace {

constexpr int Keys = 6;
constexpr std::int32_t Length = 64;

const std::string& Base() {
    static const std::string Name = ScratchPath("engine").string();
    return Name;
}

// The template pair: data file bytes followed by index file bytes, and where the index file starts.
std::size_t IndexStart = 0;

const std::string& Template() {
    static const std::string Bytes = [] {
        InitRecordEngine(8);
        std::vector<TKeyDescriptor> Descriptors(Keys, TKeyDescriptor{12, 1});
        Descriptors[0].Duplicates = 0;
        CreateRecordFile(Base(), Length, Keys, Descriptors);
        TRecordFile* F = nullptr;
        OpenRecordFile(F, Base());
        for (int I = 0; I < 60; ++I) {
            std::int32_t RecNo = 0;
            AddRecord(F, RecNo, std::string(Length, char('A' + I % 26)));
            for (int K = 1; K <= Keys; ++K)
                AddKey(F, K, RecNo, "key " + std::to_string(I * 7919 % 1000 + (K == 1 ? 0 : I % 5)));
        }
        for (std::int32_t RecNo : {5, 17, 40})
            DeleteRecord(F, RecNo);
        CloseRecordFile(F);
        const std::string Data = ReadFile(Base() + ".DAT");
        IndexStart = Data.size();
        return Data + ReadFile(Base() + ".IX");
    }();
    return Bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    const std::string& Pair = Template();
    const std::string Damaged = ApplyPatches(Pair, Bytes, Size);
    WriteFile(Base() + ".DAT", Damaged.substr(0, std::min(IndexStart, Damaged.size())));
    WriteFile(Base() + ".IX", Damaged.size() > IndexStart ? Damaged.substr(IndexStart) : std::string());
    fs::remove(Base() + ".DIA");
    TRecordFile* F = nullptr;
    OpenRecordFile(F, Base());
    if (!F) return 0;
    CheckRecordFile(F);
    const std::int32_t Slots = RecordSlotCount(F);
    std::string Record;
    for (std::int32_t R = 1; R < Slots && R < 80; ++R)
        GetRecord(F, R, Record);
    for (int Key = 1; Key <= Keys; ++Key) {
        ClearKey(F, Key);
        std::int32_t RecNo = 0;
        std::string Found;
        for (int Step = 0; Step < 100; ++Step) {
            NextKey(F, Key, RecNo, Found);
            if (!EngineOK) break;
        }
    }
    for (int I = 0; I < 3; ++I) {
        std::int32_t RecNo = 0;
        AddRecord(F, RecNo, std::string(Length, 'r'));
        if (!EngineOK) break;
        for (int Key = 1; Key <= Keys; ++Key) {
            AddKey(F, Key, RecNo, "fuzz " + std::to_string(I));
            std::int32_t Found = 0;
            FindKey(F, Key, Found, "key 7");
            if (I == 1) DeleteKey(F, Key, RecNo, "fuzz 1");
        }
        if (I == 2) DeleteRecord(F, RecNo);
    }
    CheckRecordFile(F);
    CloseRecordFile(F);
    if (F) {
        // A pair that cannot be written back stays open; the engine drops it.
        DoneRecordEngine();
        InitRecordEngine(8);
    }
    return 0;
}
