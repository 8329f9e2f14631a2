// Recording a sample of the disc in the drive: the temporary recording file, the wave recording started
// together with the CD play (the intro of every track, or the bookmark), and the end of a recording, which
// keeps the sample with the disc in the catalogue or in a wave file of the user's choice.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TPlayerState;
class TCdAudio;
class TWaveAudio;
class TSoundTap;

// Format of a recording.
struct TRecordFormat {
    int Rate = 11025;
    int Bits = 8;
    int Channels = 1;
};

extern const char* const msgSaveAsDiscSample;
extern const char* const msgKeepSampleAgain;
extern const char* const msgCannotOpenFile;

// Where a recording goes: the data folder that holds the recording's working file, the file a sample is
// saved in before it is kept with the disc, and the keeping of that file with the disc in the drive
// (false, with the user told, when it could not be kept).
struct TSampleKeeping {
    std::string DataDir;
    std::string WorkingSample;
    std::function<bool(const std::string& File)> KeepWithDisc;
};

// The recording's working file in the data folder DataDir: "$temp.wav".
std::string RecordingFileName(const std::string& DataDir);
// Removes the working file a recording cut short (the program killed or crashed) left in DataDir. Run at
// start by the first copy of the program, before anything records.
void RemoveLeftoverRecording(const std::string& DataDir);

class TSampleRecorder {
public:
    // Sets the player's end-of-recording hook and the wave device's timer hook.
    TSampleRecorder(TPlayerState& State, TCdAudio& Cd, TWaveAudio& Wave, TSoundTap& Tap,
                    TSampleKeeping Keeping);
    // A recording still running (the program ends meanwhile) is dropped with its working file.
    ~TSampleRecorder();
    TSampleRecorder(const TSampleRecorder&) = delete;
    TSampleRecorder& operator=(const TSampleRecorder&) = delete;

    // The data folder's "$temp.wav".
    std::string TempFileName() const;
    // Starts recording the intros of all tracks (Tracks) or the bookmark. False, with the user told,
    // when the wave device could not be opened; nothing has changed then.
    bool StartRecording(bool Tracks, const TRecordFormat& Format);
    // Plays the bookmark in disc mode.
    void PlayBookmark();
    // Plays the bookmark without recording.
    void Preview();
    // Ends the recording when the recorded play is over: asks whether to keep the sample with the disc,
    // else offers to save it in a file; the temporary file is removed and Recording cleared.
    void EndRecording();
    // Keeps the wave file File with the disc in the drive.
    bool KeepSample(const std::string& File);

    // The file to save a recording in that is not kept with the disc; empty to discard it.
    std::function<std::string()> ChooseSaveFile;

private:
    TPlayerState& FState;
    TCdAudio& FCd;
    TWaveAudio& FWave;
    TSoundTap& FTap;
    TSampleKeeping FKeeping;
};
