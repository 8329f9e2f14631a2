// Playing a disc's sample from the catalogue, or a wave file, through the wave device: the catalogue's
// sample is copied to the working file "disc.wav", opened and played; position and length are in
// milliseconds. Shared by the windows that play samples.
#pragma once

#include <cstdint>
#include <string>

class TWaveAudio;
class TDiscCatalogue;

extern const char* const msgCannotPlaySample;

class TSamplePlay {
public:
    TSamplePlay(TWaveAudio& Wave, TDiscCatalogue& Catalogue);
    // Closes the wave device and removes the working file.
    ~TSamplePlay();
    TSamplePlay(const TSamplePlay&) = delete;
    TSamplePlay& operator=(const TSamplePlay&) = delete;

    // Copies the catalogue item at SampleRef to the working file and opens it. False, with the user
    // told, when there is no sample there or it is no wave file that can be played.
    bool OpenSample(std::int32_t SampleRef);
    // Opens a wave file; false, with the user told, when it cannot be played.
    bool OpenFile(const std::string& FileName);
    bool IsOpen() const { return FOpen; }
    // Plays from the start, or from Position milliseconds on. False, with the user told, on failure.
    bool Play();
    bool PlayFrom(int Position);
    void Stop();
    // Closes the wave device and removes the working file.
    void Close();
    // Milliseconds; 0 while nothing is open.
    int Length();
    int Position();
    // True while a play started here has not reached the end of the sample.
    bool IsPlaying();

private:
    TWaveAudio& FWave;
    TDiscCatalogue& FCatalogue;
    bool FOpen = false;
    bool FPlayed = false;
    int FLength = 0;
};
