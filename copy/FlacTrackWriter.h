// One FLAC file of CD audio (44.1 kHz, 16-bit stereo) written with libFLAC, with its Vorbis comments and
// a front-cover picture. The file is written under a temporary name beside the final one and renamed
// only when it is complete, so an abandoned or failed file never stands under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <FLAC/format.h>
#include <FLAC/stream_encoder.h>

struct TFlacPicture {
    std::string Data; // the image file's bytes; empty: none
    std::string Mime; // "image/png", "image/jpeg"
    int Width = 0, Height = 0, Depth = 24;
};

class TFlacTrackWriter {
public:
    TFlacTrackWriter() = default;
    TFlacTrackWriter(const TFlacTrackWriter&) = delete;
    TFlacTrackWriter& operator=(const TFlacTrackWriter&) = delete;
    // Abandons a file not finished: its temporary file goes.
    ~TFlacTrackWriter();

    // Starts the file that will be Path. Comments are (name, value) pairs; empty values are left out.
    // Returns an empty string or why it cannot be written.
    std::string Open(const std::string& Path, int Level, std::uint64_t TotalPairs,
                     const std::vector<std::pair<std::string, std::string>>& Comments,
                     const TFlacPicture& Picture);
    // Stereo samples, interleaved.
    std::string Write(const std::int16_t* Samples, std::size_t Pairs);
    // Completes the file and gives it its final name.
    std::string Finish();
    // Drops the file under way.
    void Abandon();

    // The name written while the file is not complete.
    static std::string TemporaryName(const std::string& Path);

private:
    FLAC__StreamEncoder* FEncoder = nullptr;
    std::vector<FLAC__StreamMetadata*> FMetadata;
    std::vector<std::int32_t> FBuffer;
    std::string FPath, FTemporary;
    void Release();
};
