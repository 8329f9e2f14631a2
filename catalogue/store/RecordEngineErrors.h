// Every error number the record engine sets in EngineError, in one place. The numbers below 10500 are the
// engine's long-standing ones (the catalogue shows them to the user); those from 10501 on are faults found
// in damaged files and in calls the original engine did not guard against.
#pragma once

#include <cstdint>

// Operating-system failures.
constexpr std::int32_t eePathNotFound = 9900;
constexpr std::int32_t eeTooManyOpenFiles = 9901;
constexpr std::int32_t eeFileNotFound = 9903;
constexpr std::int32_t eeInvalidHandle = 9904;
constexpr std::int32_t eeAccessDenied = 9908; // also: the pair is in use (locked) elsewhere
constexpr std::int32_t eeOsFailure = 10140;   // any other operating-system failure

constexpr std::int32_t eeNoBuffers = 10000;      // fewer than 8 page buffers could be allocated
constexpr std::int32_t eeModified = 10010;       // modified flag set (not closed cleanly), or no index file
constexpr std::int32_t eeRecordTooShort = 10020; // record length below 21
constexpr std::int32_t eeNoMemoryCreate = 10030;
constexpr std::int32_t eeTooManyKeys = 10050;       // create: more than 100 keys
constexpr std::int32_t eeBadKeyLength = 10055;      // create: key length 0 or above 30
constexpr std::int32_t eeHeaderTooManyKeys = 10060; // open: the data header names more than 100 keys
constexpr std::int32_t eeReadOnly = 10065;          // writing operation on a pair opened read-only
constexpr std::int32_t eeShortRead = 10070;
constexpr std::int32_t eeShortWrite = 10075;
constexpr std::int32_t eeNotOpen = 10080; // close: the handle is not an open file
constexpr std::int32_t eeNoMemoryKeys = 10090;
constexpr std::int32_t eeNoMemoryOpen = 10100;
constexpr std::int32_t eeKeyHeaderSize = 10120;     // page size does not divide into capacity entries
constexpr std::int32_t eeKeyHeaderLength = 10121;   // derived key length outside 1 to 30
constexpr std::int32_t eeKeyHeaderCapacity = 10122; // capacity other than 62 (0 counts as 62)
constexpr std::int32_t eeKeyTooLong = 10125;        // add key: key longer than the index's K
constexpr std::int32_t eeRecordZero = 10130;        // put record: record number 0
constexpr std::int32_t eeRecordRange = 10135;       // record number outside 1 (get: 0) to slots in use
constexpr std::int32_t eeCloseFailed = 10160;
constexpr std::int32_t eeBadKeyNumber = 10164; // key number outside 1 to the number of keys
constexpr std::int32_t eeFreeChain = 10170;    // corrupt free chain (data slots or index pages)
constexpr std::int32_t eeKeyNotFound = 10200;
constexpr std::int32_t eeDeleteNotFound = 10220;
constexpr std::int32_t eeDuplicateKey = 10230;
constexpr std::int32_t eeNoNextKey = 10250;  // no further entry; the position is cleared
constexpr std::int32_t eeNoPosition = 10255; // next key without a position to continue from
constexpr std::int32_t eeBadHandle = 10445;  // nil handle or not an open file
constexpr std::int32_t eeAlreadyInit = 10450;
constexpr std::int32_t eeTooFewBuffers = 10451;
constexpr std::int32_t eeNotInit = 10455;

// Damaged files and unguarded calls.
constexpr std::int32_t eeDataHeaderDamaged = 10501;   // data header: record length, counts or free head
                                                      // out of range, or more slots than the file holds
constexpr std::int32_t eeKeyHeaderDamaged = 10502;    // key header: page count beyond the index file, root
                                                      // or free head outside the key's pages, negative counts
constexpr std::int32_t eeSlotAlreadyFree = 10503;     // put or delete record on a deleted slot
constexpr std::int32_t eePageDamaged = 10504;         // index page: entry count outside 1 to 62, key length
                                                      // above K, child link outside the key's pages, a
                                                      // leaf/inner mix, or a free page linked into the tree
constexpr std::int32_t eeIndexDamaged = 10505;        // index tree: deeper than any real tree (a cycle),
                                                      // entries out of order, or counts that do not add up
constexpr std::int32_t eeSalvageNoIndex = 10506;      // key operation on a pair opened for salvage
constexpr std::int32_t eeRecordTooLong = 10507;       // record longer than the record length
constexpr std::int32_t eeJournalNotSupported = 10508; // open in journal mode
constexpr std::int32_t eeIndexSlotSize = 10509;       // index file shorter than its header slot, or its
                                                      // key headers do not match the data header's keys
constexpr std::int32_t eeIndexNotEmpty = 10510;       // load keys: the index has held pages already
