// Texts of the device error codes.
#include "devices/CdErrors.h"

std::string DeviceErrorText(int Code) {
    switch (Code) {
    case deOK:
        return "The command completed successfully.";
    case deNoDrive:
        return "The CD drive or disc image cannot be found.";
    case deDriveBusy:
        return "The CD drive cannot be opened; it may be in use by another program.";
    case deNoMedia:
        return "There is no disc in the drive.";
    case deBadImage:
        return "The disc image or its data file cannot be read.";
    case deBadToc:
        return "The table of contents of the disc cannot be used.";
    case deNoAudio:
        return "The disc has no audio tracks.";
    case deDataTrack:
        return "The position lies in a data track, which cannot be played.";
    case deOutOfRange:
        return "The position is outside the disc.";
    case deNotPaused:
        return "The device is not paused.";
    case deReadError:
        return "The disc could not be read.";
    case deDoorFailed:
        return "The drive's tray could not be moved.";
    case deNoSoundOutput:
        return "No sound output could be opened.";
    case deWaveNotFound:
        return "The wave file cannot be found.";
    case deNotWave:
        return "The file is not a wave file.";
    case deWaveFormat:
        return "The wave file's format is not supported.";
    case deWaveWrite:
        return "The wave file could not be written.";
    case deBadRate:
        return "The recording rate is not supported.";
    case deNoDrives:
        return "There is no CD drive with this number.";
    case deNotPlaying:
        return "The device is not playing.";
    case deNotDiscImage:
        return "The file is not a disc image.";
    default:
        return "An unknown error has occurred";
    }
}
