#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "devices/MessageBoxes.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

TEST(RunProgram, LongProgramPathsArePassedWhole) {
    TTempHome home;
    // Program, folder and parameter all well past 79 characters.
    const fs::path folder = home.Path() / std::string(90, 'd');
    fs::create_directories(folder);
    const fs::path program = folder / "mark-the-start-of-a-program-with-a-long-name.sh";
    WriteFileBytes(program, "#!/bin/sh\necho \"$PWD\" > \"$1\"\n");
    fs::permissions(program, fs::perms::owner_all);
    const fs::path marker = home.Path() / (std::string(80, 'm') + ".txt");
    ASSERT_GT(StartDetachedProgram(program.string(), "\"" + marker.string() + "\"", folder.string()), 32);
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadFileBytes(marker), folder.string() + "\n");
}
