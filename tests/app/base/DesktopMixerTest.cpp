#include <gtest/gtest.h>

#include <filesystem>

#include "app/base/DesktopMixer.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

// The first of pavucontrol, pavucontrol-qt and the desktop's sound settings that is installed.
TEST(DesktopMixer, FirstFoundOfTheMixersAndTheDesktopsSettings) {
    TTempHome Home;
    const std::string A = Home.File("a"), B = Home.File("b");
    const auto Install = [](const std::string& Folder, const std::string& Name) {
        fs::create_directories(Folder);
        WriteFileBytes(Folder + "/" + Name, "#!/bin/sh\n");
        fs::permissions(Folder + "/" + Name, fs::perms::owner_all);
    };
    Install(A, "gnome-control-center");
    Install(A, "systemsettings");
    Install(B, "pavucontrol-qt");
    WriteFileBytes(A + "/pavucontrol", "not executable");
    const struct {
        std::string Path, Desktops, Program, Arguments;
    } Cases[] = {
        {A + ":" + B, "KDE", B + "/pavucontrol-qt", ""},
        {A, "ubuntu:GNOME", A + "/gnome-control-center", "sound"},
        {A, "KDE", A + "/systemsettings", "kcm_pulseaudio"},
        {A, "XFCE", "", ""},
        {Home.File("none"), "GNOME", "", ""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Path + " " + C.Desktops);
        const TProgramCall Found = FindMixer(C.Path, C.Desktops);
        EXPECT_EQ(Found.Program, C.Program);
        EXPECT_EQ(Found.Arguments, C.Arguments);
    }
}
