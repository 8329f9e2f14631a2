// The spacing of requests to one server across every process of the user: a small stamp file per server
// (its host and port) holds the earliest time, on the system's monotonic clock, at which the next request
// may go out. A request reserves its time under the file's lock and waits for it, so that two programs
// asking one server at once, or one run of orbelune-cat after another, still keep the interval. When the
// folder cannot be used, the spacing holds within this process only.
#pragma once

#include <string>

// $XDG_RUNTIME_DIR/orbelune, else $XDG_CACHE_HOME/orbelune (~/.cache/orbelune).
std::string DefaultStampFolder();

// Reserves the next slot for Server ("host:port"), IntervalMs after the slot reserved before it, and
// returns the milliseconds to wait for it (0: at once). Folder empty: DefaultStampFolder().
long long ReserveRequestSlot(const std::string& Folder, const std::string& Server, int IntervalMs);
