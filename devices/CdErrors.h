// Error codes of the CD and wave devices and their texts, as LastMCIError and MCIErrorText show them.
#pragma once

#include <string>

enum TDeviceErrorCode : int {
    deOK = 0,
    deNoDrive = 1,        // the drive or image does not exist
    deDriveBusy = 2,      // the drive is in use or cannot be opened
    deNoMedia = 3,        // no disc in the drive
    deBadImage = 4,       // the disc image or its data file cannot be read
    deBadToc = 5,         // the table of contents is not usable
    deNoAudio = 6,        // the disc has no audio tracks
    deDataTrack = 7,      // the position lies in a data track
    deOutOfRange = 8,     // the position is outside the disc
    deNotPaused = 9,      // resume without a pause
    deReadError = 10,     // reading audio failed during a play
    deDoorFailed = 11,    // the tray could not be moved
    deNoSoundOutput = 12, // no sound output could be opened
    deWaveNotFound = 13,  // the wave file does not exist
    deNotWave = 14,       // the file is not a wave file
    deWaveFormat = 15,    // the wave format is not supported
    deWaveWrite = 16,     // the wave file could not be written
    deBadRate = 17,       // the recording rate is not supported
    deNoDrives = 18,      // no drive with this number
    deNotPlaying = 19,    // pause without a play
    deNotDiscImage = 20,  // a readable file that is no disc image of a kind understood
};

// The text of an error code; an unknown code gives "An unknown error has occurred".
std::string DeviceErrorText(int Code);
