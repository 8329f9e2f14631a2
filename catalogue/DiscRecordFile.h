// The catalogue's use of the record engine: the file pair's key layout, disc records read and written
// as their stored bytes, and flushing finished files to disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/DiscRecord.h"
#include "catalogue/store/RecordEngine.h"

// The six keys of disc.IX, in key order: the code (16, unique), then composer, artist, name, record
// label and music type (20, duplicates allowed).
std::vector<TKeyDescriptor> DiscKeyDescriptors();
// Creates an empty file pair for disc records under BaseName (".DAT" and ".IX" added).
void CreateDiscRecordFile(const std::string& BaseName);

inline std::string_view RecordView(const TDiscRecordBytes& Bytes) {
    return {reinterpret_cast<const char*>(Bytes.data()), Bytes.size()};
}
// Whether an engine error number means damaged catalogue files (which a repair can recover from).
bool EngineErrorIsDamage(std::int32_t Error);

// GetRecord into Bytes; false (EngineOK false) when the read failed or the file's records are not disc
// records (EngineError then 10501).
bool ReadDiscRecord(TRecordFile* F, std::int32_t RecNo, TDiscRecordBytes& Bytes);

// Calls Visit for every slot from 1 to the last, in file order, reading the data file in large batches;
// Bytes is nullptr for a slot that cannot be read (EngineError tells why). Visit returns false to stop.
void ForEachDiscRecord(TRecordFile* F,
                       const std::function<bool(std::int32_t RecNo, const TDiscRecordBytes* Bytes)>& Visit);

// Whether the store FileName may hold free blocks: false when its free-space hint says that no block was
// ever freed, split or merged, so that a search for a free block would walk the whole file in vain.
bool StoreMayHoldFreeBlocks(const std::string& FileName);

// fsync of a file, and of a folder after files in it were renamed; false when it failed.
bool SyncFile(const std::string& FileName);
bool SyncFolder(const std::string& Folder);
