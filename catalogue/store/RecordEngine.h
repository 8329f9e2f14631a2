// The record file and index engine: a data file of fixed-length records addressed by record number, with
// a chain of deleted slots for reuse, and one index file holding up to 100 B-tree indexes over string keys,
// each key pointing at a record number. Plain routines around an open-file handle; every routine first
// clears EngineOK/EngineError to success and sets them when it fails (numbers in RecordEngineErrors.h).
// The on-disk layout is documented in RecordEngineFormat.h.
//
// All state is global and meant for one thread. InitRecordEngine and DoneRecordEngine may be called
// repeatedly (tests do); an exit handler closes whatever is still open at program end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The in-memory block of an open file pair (RecordFileHandle.h); callers only hold the pointer, nullptr
// while not open.
struct TRecordFile;

// Status of the last engine call: EngineOK true and EngineError 0 on success.
extern bool EngineOK;
extern std::int32_t EngineError;

// One key of a file being created: key length K (1 to 30) and duplicates allowed (0 or 1).
struct TKeyDescriptor {
    std::uint8_t KeyLength = 0;
    std::uint8_t Duplicates = 0;
};

constexpr int MinPageBuffers = 8;   // the fewest page buffers InitRecordEngine accepts
constexpr int MaxKeysPerFile = 100; // indexes per file pair
constexpr int MaxKeyLength = 30;    // bytes per key
constexpr std::int32_t MinRecordLength = 21;

// Allocates BufferCount page buffers (at least 8; the player asks for 8).
void InitRecordEngine(int BufferCount);
// Closes every open file pair (the first error is kept), frees the buffers.
void DoneRecordEngine();
bool RecordEngineInitialized();

// Creates BaseName's data file (".DAT") and, when there are keys, its index file (".IX"), replacing any
// existing pair and deleting a stale journal (".DIA"). The files are left closed. Keys must hold at least
// NumberOfKeys descriptors. BaseName may be "data;index" to give the two parts different names.
void CreateRecordFile(const std::string& BaseName, std::int32_t RecordLength, int NumberOfKeys,
                      const std::vector<TKeyDescriptor>& Keys);
// Opens the pair for exclusive use (a second open, from this or any process, fails with 9908). Headers whose
// counts the files cannot hold, and written slots past the data header's slot count, fail with 10501 or
// 10502. ReadOnly
// and AllReadOnly both open for reading only; SharedUse has no effect; JournalMode is not supported
// (error eeJournalNotSupported). A file whose modified flag is set fails with 10010. A stale journal
// (".DIA") is deleted, except by a read-only open.
void OpenRecordFile(TRecordFile*& F, const std::string& BaseName, bool ReadOnly = false,
                    bool SharedUse = false, bool JournalMode = false, bool AllReadOnly = false);
// Salvage open for repairing a pair that was not closed cleanly or whose headers are damaged: the data
// file alone, read-only, with the modified flag ignored. RecordLength (21 or more) replaces the header's
// record length, which a damaged header may have lost; 0 takes it from the header. RecordSlotCount counts
// every whole slot the data file holds (records appended after the last clean close included), so GetRecord
// can read them all; a live record has 0 in its first four bytes, a deleted slot its free-chain link (-1 or a
// record number). Key operations fail with eeSalvageNoIndex. Close with CloseRecordFile, which writes
// nothing.
void OpenRecordFileForSalvage(TRecordFile*& F, const std::string& BaseName, std::int32_t RecordLength = 0);
// Writes back dirty pages, key headers and the data header (modified flag 0), flushes both files to disk,
// closes them and sets F to nullptr. When writing fails the pair stays open and F keeps its value.
void CloseRecordFile(TRecordFile*& F);

// Records are byte strings of the record length L; a shorter one is padded with zero bytes, a longer one is
// refused. The first four bytes belong to the engine: they are always written as 0 in a live record.
void AddRecord(TRecordFile* F, std::int32_t& RecNo, std::string_view Record);
// Reads slot RecNo (0 to slots in use; a deleted slot is read like any other) into Record (resized to L).
void GetRecord(TRecordFile* F, std::int32_t RecNo, std::string& Record);
// Reads Count consecutive slots from FirstRecNo on (all within 0 to slots in use) into Records, which
// has room for Count x L bytes, with one read: for walking many records in file order.
void GetRecords(TRecordFile* F, std::int32_t FirstRecNo, std::int32_t Count, void* Records);
// Overwrites live record RecNo; a deleted slot is refused (eeSlotAlreadyFree), as it would cut the chain.
void PutRecord(TRecordFile* F, std::int32_t RecNo, std::string_view Record);
// Writes the modified flag at once, as the first record or key addition or deletion after an open does.
// For a caller about to overwrite a record whose keys change with it: a process stopped between the two
// then leaves a pair that is offered for repair instead of one whose index no longer fits its records.
void MarkRecordFileModified(TRecordFile* F);
// For a caller whose change of records and keys failed half-way: the modified flag is set now and stays
// set at close, so that the next open refuses the pair (10010) and a repair is offered.
void KeepRecordFileModified(TRecordFile* F);
// Puts RecNo at the head of the free chain; deleting a deleted slot again is refused (eeSlotAlreadyFree).
void DeleteRecord(TRecordFile* F, std::int32_t RecNo);

// Keys are byte strings compared as unsigned bytes, a shorter one first; at most their first 30 bytes are
// used. KeyNr runs from 1 to the number of keys of the file. AddKey needs a record number of 1 or more.
void AddKey(TRecordFile* F, int KeyNr, std::int32_t RecNo, std::string_view Key);
void DeleteKey(TRecordFile* F, int KeyNr, std::int32_t RecNo, std::string_view Key);
// One key of a record, for LoadKeys.
struct TKeyEntry {
    std::string Key;
    std::int32_t RecNo = 0;
};
// Fills index KeyNr, which must never have held a page (as after CreateRecordFile: eeIndexNotEmpty
// otherwise), with Entries in one pass: sorted, then packed into full pages from the leaves up, where
// adding the keys one at a time leaves pages half full. The index is the one AddKey would have built in
// its key order, lookups and checks, and later additions and deletions work on it as on any. Every entry
// is checked first (eeRecordRange, eeKeyTooLong, eeDuplicateKey for a key or, with duplicates, a pair
// given twice): a refused load writes nothing. Entries is left empty.
void LoadKeys(TRecordFile* F, int KeyNr, std::vector<TKeyEntry>& Entries);
// Finds Key; in an index with duplicates, the entry with the lowest record number. On success the key
// position is set there; on failure (10200) it is undefined and NextKey fails with 10255 until ClearKey or
// a successful FindKey.
void FindKey(TRecordFile* F, int KeyNr, std::int32_t& RecNo, std::string_view Key);
// Sets the key position before the first entry.
void ClearKey(TRecordFile* F, int KeyNr);
// Steps to the next entry and returns it. RecNo and Key are in/out: when the index changed since the last
// step, the walk continues after the pair they hold. After the last entry: 10250, and the position is
// cleared so that the next call returns the first entry.
void NextKey(TRecordFile* F, int KeyNr, std::int32_t& RecNo, std::string& Key);

// Slots in use (live or deleted) plus the header slot; 0 with EngineOK false on a bad handle.
std::int32_t RecordSlotCount(TRecordFile* F);
// Entries stored in index KeyNr.
std::int32_t KeyCount(TRecordFile* F, int KeyNr);
// Record length L of an open file.
std::int32_t RecordLength(TRecordFile* F);

// Full structural check of every index of an open pair: key order, page fill (31 to 62 entries outside
// the root), equal leaf depth, the stored key counts, and every page either in the tree or on its key's
// free chain exactly once; also walks the data file's free chain. Sets EngineError (eeIndexDamaged or
// 10170) and returns a description of the first fault found, or an empty string when the pair is sound.
std::string CheckRecordFile(TRecordFile* F);
