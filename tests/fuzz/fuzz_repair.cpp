// The repair on a damaged catalogue: a catalogue of discs with track lists, notes, a picture and a
// sample (one disc deleted again), one of its three files damaged by the fuzzer's patches (FuzzPatches.h;
// the first byte after the cut flag picks the file). Whatever the damage, the repair must either refuse
// with a message or leave a catalogue that passes its check.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzCatalogue.h"
#include "FuzzFiles.h"
#include "FuzzPatches.h"
#include "app/base/Settings.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/Vlf.h"
#include "devices/WaveFile.h"

namespace fs = std::filesystem;

namespace {

const char* const Names[] = {"disc.DAT", "disc.IX", "disc.VLF"};

const fs::path& Root() {
    static const fs::path Path = ScratchPath("repair");
    return Path;
}

// A small bitmap (2 x 2, 24 bits).
std::string Bitmap() {
    std::string B = "BM";
    const auto U32 = [&](std::uint32_t V) {
        for (int I = 0; I < 4; ++I)
            B += static_cast<char>((V >> (8 * I)) & 0xff);
    };
    const auto U16 = [&](std::uint16_t V) {
        B += static_cast<char>(V & 0xff);
        B += static_cast<char>(V >> 8);
    };
    U32(70), U32(0), U32(54), U32(40), U32(2), U32(2), U16(1), U16(24), U32(0), U32(16), U32(2835), U32(2835),
        U32(0), U32(0);
    B += std::string(16, '\x7f');
    return B;
}

// A short wave: 40 samples of 8-bit silence.
void WriteWave(const std::string& Path) {
    TWaveData Wave;
    Wave.Samples.assign(40, 0);
    SaveWaveFile(Path, Wave);
}

const std::string* Template() {
    static std::string Files[3];
    static const bool Made = [] {
        const fs::path Dir = Root() / "template";
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        TPlayerSettings Settings;
        TDiscCatalogue Cat(Dir.string() + "/", Settings);
        for (int I = 1; I <= 5; ++I) {
            const std::string Code = "000000000000000" + std::to_string(I);
            TDiscRecord Rec = NewDiscRecord(Code, 30000, 30000);
            Rec.DiscName = "Disc " + std::to_string(I);
            Rec.TrackCount = static_cast<std::int16_t>(I);
            TStringGridData Grid;
            ResetDiscGrid(Grid, Code);
            for (int T = 1; T <= I; ++T)
                Grid.SetCells(0, T, "Track " + std::to_string(T));
            std::int32_t RecNo = 0;
            TDiscKeys Keys;
            Cat.SaveDisc(Rec, Grid, Code + "\r\nNotes " + std::to_string(I), RecNo, Keys);
            if (I == 2 || I == 3) {
                const bool Picture = I == 2;
                const std::string Work = Picture ? Cat.WorkingPicture() : Cat.WorkingSample();
                if (Picture)
                    WriteFile(Work, Bitmap());
                else
                    WriteWave(Work);
                Cat.OpenDiscVlf();
                (Picture ? Rec.PictureRef : Rec.SampleRef) =
                    Cat.fvlf.Vlf.StoreFile(0, Work, Picture ? VlfKindPicture : VlfKindSample);
                Cat.CloseDiscVlf();
                Cat.PutDiscRecord(Rec);
            }
            if (I == 4) Cat.DeleteDisc(RecNo);
        }
        for (int I = 0; I < 3; ++I)
            Files[I] = ReadFile(Dir / Names[I]);
        return true;
    }();
    (void)Made;
    return Files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    // Yes while the template is made (its files are created), No afterwards.
    static const bool Ready = [] {
        TQuietSink& Sink = StartCatalogueFuzzing();
        Template();
        Sink.Yes = false;
        return true;
    }();
    (void)Ready;
    if (Size < 2) return 0;
    const std::string* Files = Template();
    const int Damaged = Bytes[1] % 3;
    const fs::path Dir = Root() / "work";
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    for (int I = 0; I < 3; ++I) {
        std::string File = Files[I];
        if (I == Damaged) {
            std::string Input(reinterpret_cast<const char*>(Bytes), Size);
            Input.erase(1, 1);
            File = ApplyPatches(File, reinterpret_cast<const std::uint8_t*>(Input.data()), Input.size());
        }
        WriteFile(Dir / Names[I], File);
    }
    const std::string Folder = Dir.string() + "/";
    TPlayerSettings Settings;
    bool Repaired;
    {
        TDiscCatalogue Cat(Folder, Settings);
        Repaired = Cat.RepairDatabase();
    }
    if (Repaired) AbortUnlessSound(Folder, "after the repair: ");
    return 0;
}
