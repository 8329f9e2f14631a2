// Drive list and drive numbers.
#include "devices/DriveList.h"

#include <cdio/cdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "devices/CdioDrive.h"
#include "devices/DemoDisc.h"
#include "devices/NullSoundOutput.h"

namespace {

std::mutex ListLock;
bool PhysicalListed = false;
std::vector<std::string> PhysicalDrives;
std::vector<std::string> ImageDrives;

// The file a path names, symbolic links resolved; the path itself when it cannot be resolved.
std::string Resolved(const std::string& Path) {
    std::error_code Ec;
    const auto Result = std::filesystem::canonical(Path, Ec);
    return Ec ? Path : Result.string();
}

void ListPhysical() {
    if (PhysicalListed) return;
    PhysicalListed = true;
    std::vector<std::string> Devices;
    if (char** List = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** D = List; *D; ++D)
            Devices.emplace_back(*D);
        cdio_free_device_list(List);
    }
    PhysicalDrives = UniqueDevices(Devices);
}

std::string Absolute(const std::string& Path) {
    std::error_code Ec;
    const auto Result = std::filesystem::absolute(Path, Ec);
    return Ec ? Path : Result.lexically_normal().string();
}

bool IsDevice(const std::string& Path) {
    struct stat Info {};
    return ::stat(Path.c_str(), &Info) == 0 && S_ISBLK(Info.st_mode);
}

} // namespace

std::vector<std::string> UniqueDevices(const std::vector<std::string>& Paths) {
    std::vector<std::string> Result;
    std::vector<std::string> Seen;
    for (const std::string& Path : Paths) {
        const std::string Target = Resolved(Path);
        if (std::find(Seen.begin(), Seen.end(), Target) != Seen.end()) continue;
        Seen.push_back(Target);
        Result.push_back(Path);
    }
    return Result;
}

std::vector<TDriveEntry> DriveList() {
    std::lock_guard Guard(ListLock);
    ListPhysical();
    std::vector<TDriveEntry> List;
    for (const std::string& Path : PhysicalDrives)
        List.push_back({Path, dkPhysical});
    for (const std::string& Path : ImageDrives)
        List.push_back({Path, IsDevice(Path) ? dkPhysical : dkImage});
    // The demo disc stays listed beside the images, so naming one does not take it away.
    if (PhysicalDrives.empty()) {
        const std::string Demo = DemoDiscPath();
        if (!Demo.empty()) List.push_back({Demo, dkDemo});
    }
    return List;
}

int DriveCount() {
    return static_cast<int>(DriveList().size());
}

void RefreshDriveList() {
    std::lock_guard Guard(ListLock);
    PhysicalListed = false;
}

void SetVirtualDrives(const std::vector<std::string>& Paths) {
    std::lock_guard Guard(ListLock);
    ImageDrives.clear();
    for (const std::string& Path : Paths)
        if (!Path.empty()) ImageDrives.push_back(Absolute(Path));
}

int AddVirtualDrive(const std::string& Path) {
    std::lock_guard Guard(ListLock);
    ListPhysical();
    const std::string Full = Absolute(Path);
    for (std::size_t I = 0; I < ImageDrives.size(); ++I)
        if (ImageDrives[I] == Full) return static_cast<int>(PhysicalDrives.size() + I);
    ImageDrives.push_back(Full);
    return static_cast<int>(PhysicalDrives.size() + ImageDrives.size() - 1);
}

std::vector<std::string> VirtualDrives() {
    std::lock_guard Guard(ListLock);
    return ImageDrives;
}

int CheckDriveImage(const std::string& Path) {
    int Error = deOK;
    // Opened as the player would open it, playing nothing.
    const auto Drive = OpenDrivePath(
        Path, [] { return std::make_unique<TNullSoundOutput>(); }, Error);
    TDriveToc Toc;
    if (!Drive || (Error = Drive->ReadToc(Toc))) return Error;
    const bool Audio =
        std::any_of(Toc.Tracks.begin(), Toc.Tracks.end(), [](const TTocTrack& T) { return T.Audio; });
    return Audio ? deOK : deNoAudio;
}

int DriveNumberFor(const std::string& Path) {
    {
        std::lock_guard Guard(ListLock);
        ListPhysical();
        const std::string Target = Resolved(Path);
        for (std::size_t I = 0; I < PhysicalDrives.size(); ++I)
            if (PhysicalDrives[I] == Path || Resolved(PhysicalDrives[I]) == Target)
                return static_cast<int>(I);
    }
    return AddVirtualDrive(Path);
}

int StoredDriveNumber(const std::string& Path, int Number) {
    std::error_code Ec;
    if (Path.empty() || !std::filesystem::exists(Path, Ec)) return Number;
    const std::vector<TDriveEntry> List = DriveList();
    for (std::size_t I = 0; I < List.size(); ++I)
        if (List[I].Kind == dkDemo && List[I].Path == Path) return static_cast<int>(I);
    return DriveNumberFor(Path);
}

std::string StoredDrivePath(int Drive) {
    const std::vector<TDriveEntry> List = DriveList();
    if (Drive < 0 || Drive >= static_cast<int>(List.size())) return {};
    return List[static_cast<std::size_t>(Drive)].Path;
}

std::string DriveLabel(int Drive) {
    const std::vector<TDriveEntry> List = DriveList();
    const std::string Device =
        Drive >= 0 && Drive < static_cast<int>(List.size()) ? List[static_cast<std::size_t>(Drive)].Path : "";
    return "CD ROM " + std::to_string(Drive) + " <" + Device + ">";
}

std::unique_ptr<TCdDrive> OpenDrivePath(const std::string& Path, TSoundOutputFactory Output, int& Error) {
    if (!Output) Output = CreateSoundOutput;
    return TCdioDrive::Open(Path, IsDevice(Path), std::move(Output), Error);
}

TCdDriveFactory ProgramDriveFactory(TSoundOutputFactory Output) {
    return [Output](int Drive, int& Error) -> std::unique_ptr<TCdDrive> {
        const std::vector<TDriveEntry> List = DriveList();
        // Drive numbers below 1 name the first drive, as "cdAudio" did.
        const int Index = Drive < 0 ? 0 : Drive;
        if (Index >= static_cast<int>(List.size())) {
            Error = deNoDrives;
            return nullptr;
        }
        return OpenDrivePath(List[static_cast<std::size_t>(Index)].Path, Output, Error);
    };
}
