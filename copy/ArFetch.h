// Fetches a disc's dBAR file from the AccurateRip server. Sent: one HTTP GET of the file named by the
// disc's AccurateRip identifier (track count, two sums of the track starts and the FreeDB id), with the
// program's User-Agent; nothing else about the user or the copy.
#pragma once

#include <string>

#include "copy/AccurateRip.h"

struct TArFetchResult {
    bool Found = false; // the server has a file for the disc
    TDbarFile File;
    std::string Error; // the server could not be asked or answered with a fault; empty otherwise
};

// Waits in an event loop of its own (any thread); TimeoutMs bounds the whole request. The request keeps
// IntervalMs from the last one to the same server, as the lookups do, across processes.
TArFetchResult FetchDbar(const std::string& Server, const TArDiscId& Id, const std::string& UserAgent,
                         int TimeoutMs, int IntervalMs);
