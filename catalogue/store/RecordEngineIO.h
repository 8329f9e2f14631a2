// The record engine's file layer: POSIX files opened for exclusive use (an advisory flock), positioned
// reads and writes, and the mapping of operating-system failures to engine error numbers. Tests can make
// a chosen write fail to exercise the engine's error paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace RecordEngineImpl {

struct TEngineFile {
    int Fd = -1;
    std::string Name;
    bool IsOpen() const { return Fd >= 0; }
};

// Engine error number for an errno value.
std::int32_t OsErrorToEngine(int Errno, const std::string& Name);

// Opens Name for reading (and writing unless ReadOnly) and takes an exclusive lock; a file locked by any
// other open (this process included) gives 9908. Create makes a new empty file, replacing an old one.
std::int32_t OpenEngineFile(TEngineFile& F, const std::string& Name, bool ReadOnly, bool Create);
void CloseEngineFile(TEngineFile& F);
// 0, 10070 for a short read, or an operating-system error.
std::int32_t ReadAt(const TEngineFile& F, std::int64_t Offset, void* Buffer, std::size_t Count);
// 0, 10075 for a short write, or an operating-system error.
std::int32_t WriteAt(const TEngineFile& F, std::int64_t Offset, const void* Buffer, std::size_t Count);
std::int32_t SyncEngineFile(const TEngineFile& F);
// Cuts the file to Size bytes; failures are ignored (the caller already reports a failure).
void TruncateEngineFile(const TEngineFile& F, std::int64_t Size);
std::int32_t EngineFileSize(const TEngineFile& F, std::int64_t& Size);
// Removes Name if it exists; fails with 9908 when another open holds its lock.
std::int32_t DeleteEngineFile(const std::string& Name);

} // namespace RecordEngineImpl

// Test hook, as a full disc: after Count more successful writes every write fails (10075, as a short write
// would) until -1 turns the fault off; with Once only that one write fails. FailSync makes every flush to
// disk fail as well (10160).
void SetRecordEngineWriteFault(int Count, bool FailSync = false, bool Once = false);

// Test hook: Observer (nullptr: none) is called before every write into a data or index file, so that a
// test can stop the process at a chosen point of an operation.
void SetRecordEngineWriteObserver(void (*Observer)());
