// The drives the player can use, numbered as the settings and the drive chooser number them: the
// physical drives in the order libcdio lists them, then the disc images named as virtual drives, then the
// built-in demo disc when the machine has no drive (drive 0 when no image is named either).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "devices/CdDrive.h"
#include "devices/SoundOutput.h"

enum TDriveKind { dkPhysical, dkImage, dkDemo };

struct TDriveEntry {
    std::string Path;
    TDriveKind Kind = dkPhysical;
};

std::vector<TDriveEntry> DriveList();
// Paths in their order, leaving out each one that names (through symbolic links) a device already listed:
// libcdio lists a drive under /dev/cdrom and again under /dev/sr0.
std::vector<std::string> UniqueDevices(const std::vector<std::string>& Paths);
int DriveCount();
// Reads the physical drives again (they are listed once per run otherwise).
void RefreshDriveList();
// Replaces the disc images named as virtual drives (from the settings).
void SetVirtualDrives(const std::vector<std::string>& Paths);
// Adds a disc image as a virtual drive (if not yet listed) and returns its drive number.
int AddVirtualDrive(const std::string& Path);
// The disc images named as virtual drives, as absolute paths.
std::vector<std::string> VirtualDrives();
// Whether the disc image at Path can be played: deOK, the error opening it gives, or deNoAudio.
int CheckDriveImage(const std::string& Path);
// The drive number for a path given on the command line: a listed physical drive keeps its number, any
// other path becomes a virtual drive.
int DriveNumberFor(const std::string& Path);
// The drive the settings keep: the device or disc image Path when it exists (a listed drive keeps its
// number, an image becomes a virtual drive), else drive Number.
int StoredDriveNumber(const std::string& Path, int Number);
// What the settings keep of drive n: its device or image (the demo disc's too), empty for a drive not
// listed.
std::string StoredDrivePath(int Drive);
// "CD ROM n <device>", as the drive chooser shows it.
std::string DriveLabel(int Drive);

// Opens a device path or disc image; null with Error set when it cannot be opened.
std::unique_ptr<TCdDrive> OpenDrivePath(const std::string& Path, TSoundOutputFactory Output, int& Error);
// The factory the program gives the CD device: drive n of the list, playing through Output (the
// desktop's sound output when none is given).
TCdDriveFactory ProgramDriveFactory(TSoundOutputFactory Output = {});
