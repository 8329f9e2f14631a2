// A handset window put together for the window tests: a fresh data folder, recorded messages, the
// catalogue, and either a simulated drive on a virtual clock or the program's own drive list (the demo
// disc) playing through a silent output.
#pragma once

#include <QTest>
#include <functional>
#include <memory>

#include "catalogue/DiscCatalogue.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/CdAudio.h"
#include "devices/DriveList.h"
#include "devices/NullSoundOutput.h"
#include "devices/SimulatedDrive.h"
#include "devices/WaveAudio.h"
#include "player/ui/Handset.h"
#include "support/TestSupport.h"

// Tracks of Seconds each from 00:02:00.
inline TDriveToc RigDisc(int Tracks, int Seconds) {
    TDriveToc Toc;
    for (int T = 0; T < Tracks; ++T)
        Toc.Tracks.push_back({T + 1, 150 + T * Seconds * 75, true});
    Toc.LeadOutFrame = 150 + Tracks * Seconds * 75;
    return Toc;
}

// The device closes its drive when the program ends; the test keeps the simulated drive behind it to
// read its log afterwards.
class TSharedDrive : public TCdDrive {
public:
    explicit TSharedDrive(TSimulatedDrive& Drive) : FDrive(Drive) {}
    std::string Name() const override { return FDrive.Name(); }
    TDriveStatus Status() override { return FDrive.Status(); }
    int ReadToc(TDriveToc& Toc) override { return FDrive.ReadToc(Toc); }
    TCdText ReadCdText() override { return FDrive.ReadCdText(); }
    int Play(int From, int To) override { return FDrive.Play(From, To); }
    int Stop() override { return FDrive.Stop(); }
    int Pause() override { return FDrive.Pause(); }
    int Resume() override { return FDrive.Resume(); }
    int Seek(int Frame) override { return FDrive.Seek(Frame); }
    int OpenDoor() override { return FDrive.OpenDoor(); }
    int CloseDoor() override { return FDrive.CloseDoor(); }
    void SetVolume(int Left, int Right) override { FDrive.SetVolume(Left, Right); }
    void SetPcmTap(TPcmTap Tap) override { FDrive.SetPcmTap(std::move(Tap)); }

private:
    TSimulatedDrive& FDrive;
};

inline TSoundOutputFactory SilentOutput() {
    return [] { return std::make_unique<TNullSoundOutput>(); };
}

struct THandsetRig {
    enum TDrive { drSimulated, drProgram, drMissing };

    // Prepare changes the settings written to the data folder before the handset loads them.
    explicit THandsetRig(TDrive Kind = drSimulated, const std::function<void(TPlayerSettings&)>& Prepare = {},
                         TDriveToc DiscToc = RigDisc(12, 180), bool AutoPlaySwitch = false,
                         TSoundOutputFactory WaveOutput = SilentOutput())
        : Toc(std::move(DiscToc)), Cd(Settings, State, Factory(Kind)), Wave(Cd, std::move(WaveOutput)),
          Catalogue(Home.Dir(), Settings) {
        Answers.Answers.push_back(idYes); // create the catalogue files
        TPlayerSettings Initial;
        if (Prepare) Prepare(Initial);
        SaveSettings(Initial);
        Handset = std::make_unique<TORB>(Settings, State, Flags, Cd, Wave, Catalogue, AutoPlaySwitch);
    }
    ~THandsetRig() {
        Handset.reset();
        Cd.CloseCD();
        if (RecordEngineInitialized()) DoneRecordEngine();
    }

    TCdDriveFactory Factory(TDrive Kind) {
        if (Kind == drProgram) return ProgramDriveFactory(SilentOutput());
        return [this, Kind](int, int& Error) -> std::unique_ptr<TCdDrive> {
            if (Kind == drMissing) {
                Error = deNoDrive;
                return nullptr;
            }
            if (!Drive) Drive = std::make_unique<TSimulatedDrive>(Clock, Toc);
            return std::make_unique<TSharedDrive>(*Drive);
        };
    }

    template <class T> T* Find(const char* Name) const {
        return Handset->findChild<T*>(QString::fromLatin1(Name));
    }

    // One tick of the clock, as the timer runs it.
    void Tick() { Handset->Core().TimerTimer(); }

    TTempHome Home;
    TRecordingAnswerer Answers;
    TVirtualClock Clock;
    TDriveToc Toc;
    std::unique_ptr<TSimulatedDrive> Drive;
    TPlayerSettings Settings;
    TPlayerState State;
    THandsetFlags Flags;
    TCdAudio Cd;
    TWaveAudio Wave;
    TDiscCatalogue Catalogue;
    std::unique_ptr<TORB> Handset;
};
