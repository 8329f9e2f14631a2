#include "catalogue/DiscRecordFile.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/VlfFormat.h"

std::vector<TKeyDescriptor> DiscKeyDescriptors() {
    std::vector<TKeyDescriptor> keys;
    keys.push_back({DiscCodeKeyLength, 0});
    for (int k = kComposer; k <= kMusicType; ++k)
        keys.push_back({DiscKeyLength, 1});
    return keys;
}

void CreateDiscRecordFile(const std::string& BaseName) {
    CreateRecordFile(BaseName, DiscRecordSize, DiscKeyCount, DiscKeyDescriptors());
}

bool EngineErrorIsDamage(std::int32_t Error) {
    switch (Error) {
    case eeHeaderTooManyKeys:
    case eeShortRead:
    case eeKeyHeaderSize:
    case eeKeyHeaderLength:
    case eeKeyHeaderCapacity:
    case eeFreeChain:
    case eeDataHeaderDamaged:
    case eeKeyHeaderDamaged:
    case eePageDamaged:
    case eeIndexDamaged:
    case eeIndexSlotSize:
        return true;
    default:
        return false;
    }
}

bool ReadDiscRecord(TRecordFile* F, std::int32_t RecNo, TDiscRecordBytes& Bytes) {
    std::string record;
    GetRecord(F, RecNo, record);
    if (!EngineOK) return false;
    if (record.size() != Bytes.size()) {
        EngineOK = false;
        EngineError = eeDataHeaderDamaged;
        return false;
    }
    std::memcpy(Bytes.data(), record.data(), Bytes.size());
    return true;
}

void ForEachDiscRecord(TRecordFile* F,
                       const std::function<bool(std::int32_t RecNo, const TDiscRecordBytes* Bytes)>& Visit) {
    const std::int32_t slots = RecordSlotCount(F);
    if (RecordLength(F) != DiscRecordSize) {
        for (std::int32_t recNo = 1; recNo < slots; ++recNo) {
            EngineOK = false;
            EngineError = eeDataHeaderDamaged;
            if (!Visit(recNo, nullptr)) return;
        }
        return;
    }
    constexpr std::int32_t Batch = 512;
    static_assert(sizeof(TDiscRecordBytes) == DiscRecordSize, "records are read straight into the batch");
    std::vector<TDiscRecordBytes> batch(Batch);
    TDiscRecordBytes bytes;
    for (std::int32_t first = 1; first < slots; first += Batch) {
        const std::int32_t count = std::min(Batch, slots - first);
        GetRecords(F, first, count, batch.data());
        const bool whole = EngineOK;
        for (std::int32_t i = 0; i < count; ++i) {
            const TDiscRecordBytes* got = nullptr;
            if (whole) {
                got = &batch[static_cast<std::size_t>(i)];
            } else if (ReadDiscRecord(F, first + i, bytes)) {
                got = &bytes; // the batch failed: each slot on its own tells which ones cannot be read
            }
            if (!Visit(first + i, got)) return;
        }
    }
}

namespace {

bool SyncPath(const std::string& Path, int Flags) {
    const int fd = ::open(Path.c_str(), Flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool StoreMayHoldFreeBlocks(const std::string& FileName) {
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    std::uint8_t hint[4] = {};
    const bool read =
        ::pread(fd, hint, sizeof hint, VlfFormat::HintOffset) == static_cast<ssize_t>(sizeof hint);
    ::close(fd);
    return !read || (hint[0] | hint[1] | hint[2] | hint[3]) != 0;
}

bool SyncFile(const std::string& FileName) {
    return SyncPath(FileName, O_RDONLY);
}

bool SyncFolder(const std::string& Folder) {
    return SyncPath(Folder, O_RDONLY | O_DIRECTORY);
}
