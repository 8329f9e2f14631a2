// A disc's sample in the catalogue: played by copying it out of the block store to the working file
// "disc.wav", recorded by storing the wave file in the disc's record. The wave device's side is
// TSamplePlay and TSampleRecorder.
#pragma once

#include <cstdint>
#include <string>

#include "devices/SamplePlay.h"
#include "devices/SampleRecorder.h"

class TDiscCatalogue;
class TWaveAudio;

// Stores the wave file File as the sample of the catalogue's disc in the drive, reusing or freeing the
// space of its old sample, and stores the disc record. False, with the user told, when it could not be
// stored; the catalogue is then as it was.
bool KeepSampleWithDisc(TDiscCatalogue& Catalogue, const std::string& File);

// The recording's folders and the keeping of a recorded sample with the disc in Catalogue's drive.
TSampleKeeping DiscSampleKeeping(TDiscCatalogue& Catalogue);

// Plays the samples of Catalogue's discs through the wave device Wave.
class TDiscSamplePlay : public TSamplePlay {
public:
    TDiscSamplePlay(TWaveAudio& Wave, TDiscCatalogue& Catalogue);

    // Copies the catalogue item at SampleRef to the working file and opens it. False, with the user
    // told, when there is no sample there or it is no wave file that can be played.
    bool OpenSample(std::int32_t SampleRef);

private:
    TDiscCatalogue& FCatalogue;
};
