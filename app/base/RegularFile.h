// Reading a file that the settings or the data folder name, and removing one. Only regular files are
// opened: a name that leads to a FIFO or a device would block the program (or never end) when read.
#pragma once

#include <cstddef>
#include <string>

// Reads the whole of Name into Bytes. False, without waiting, when Name is no regular file, cannot be read
// or holds more than MaxBytes.
bool ReadRegularFile(const std::string& Name, std::string& Bytes, std::size_t MaxBytes);

// Deletes the named file; every failure is ignored.
void DeleteFileQuietly(const std::string& FileName);
