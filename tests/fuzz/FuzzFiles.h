// Files for the fuzz targets: whole files read and written, and the scratch path of this process.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

inline std::string ReadFile(const std::filesystem::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary | std::ios::trunc)
        .write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

// A path in the temporary folder of the target Name and this process, so that runs side by side do not
// share files.
inline std::filesystem::path ScratchPath(const std::string& Name) {
    return std::filesystem::temp_directory_path() /
           ("orbelune-fuzz-" + Name + "-" + std::to_string(::getpid()));
}
