// The settings reader on any file: the fuzzer's input is read as ORBELUNE.INI, written back and read
// again. Reading what was written must give the same settings, so that a save never changes them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzFiles.h"
#include "app/base/Settings.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    static const fs::path Dir = [] {
        const fs::path Path = ScratchPath("settings");
        fs::create_directories(Path);
        return Path;
    }();
    const std::string File = (Dir / "ORBELUNE.INI").string();
    WriteFile(File, std::string(reinterpret_cast<const char*>(Bytes), Size));
    TPlayerSettings First;
    LoadSettingsFrom(File, First);
    if (!SaveSettingsTo(File, First)) return 0;
    const std::string Written = ReadFile(File);
    TPlayerSettings Second;
    LoadSettingsFrom(File, Second);
    SaveSettingsTo(File, Second);
    if (ReadFile(File) != Written) {
        WriteFile(File + ".first", Written);
        std::fprintf(stderr, "a second save changed the settings file from\n%s\nto\n%s\n", Written.c_str(),
                     ReadFile(File).c_str());
        std::abort();
    }
    return 0;
}
