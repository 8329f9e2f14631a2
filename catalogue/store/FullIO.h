// Positioned reads and writes of a whole buffer on a POSIX file, going on after short transfers and
// interrupted calls; false on an error or the end of the file.
#pragma once

#include <cstdint>

bool FullRead(int Fd, std::int64_t Pos, void* Buffer, std::int64_t Count);
bool FullWrite(int Fd, std::int64_t Pos, const void* Buffer, std::int64_t Count);
