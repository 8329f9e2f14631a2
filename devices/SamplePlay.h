// Playing a wave file through the wave device; position and length are in milliseconds. A disc's sample
// is copied out of the catalogue to the working file given here and played from it (the catalogue's
// side is TDiscSamplePlay). Shared by the windows that play samples.
#pragma once

#include <cstdint>
#include <string>

class TWaveAudio;

extern const char* const msgCannotPlaySample;

class TSamplePlay {
public:
    TSamplePlay(TWaveAudio& Wave, std::string WorkingFile);
    // Closes the wave device and removes the working file.
    ~TSamplePlay();
    TSamplePlay(const TSamplePlay&) = delete;
    TSamplePlay& operator=(const TSamplePlay&) = delete;

    // Opens a wave file; false, with the user told, when it cannot be played (the working file is
    // then removed).
    bool OpenFile(const std::string& FileName);
    bool IsOpen() const { return FOpen; }
    // Plays from the start, or from Position milliseconds on. False, with the user told, on failure.
    bool Play();
    bool PlayFrom(int Position);
    void Stop();
    // Closes the wave device and removes the working file.
    void Close();
    const std::string& WorkingFile() const { return FWorkingFile; }
    // Milliseconds; 0 while nothing is open.
    int Length();
    int Position();
    // True while a play started here has not reached the end of the sample.
    bool IsPlaying();

private:
    TWaveAudio& FWave;
    std::string FWorkingFile;
    bool FOpen = false;
    bool FPlayed = false;
    int FLength = 0;
};
