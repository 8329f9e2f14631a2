// Checks of a disc image before libcdio reads it, and the form in which libcdio is handed the image.
//
// libcdio's image readers trust what they read: a track count beyond 99 writes past their track table, a
// damaged Nero footer or chunk length sends them reading and writing outside their buffers. The checks
// here refuse what those readers cannot take (counts, sizes and structure), so that a damaged image gives
// an error rather than a crash. A cue sheet is also handed over in a shape libcdio can follow: libcdio
// reads a cue sheet's audio from the file named like the sheet, whatever its FILE line says, so a sheet
// whose data file has another name is given to libcdio as a private copy beside a link to the data file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A disc image ready for libcdio. A private folder made for it goes when the object goes.
class TPreparedImage {
public:
    TPreparedImage() = default;
    TPreparedImage(const TPreparedImage&) = delete;
    TPreparedImage& operator=(const TPreparedImage&) = delete;
    TPreparedImage(TPreparedImage&& Other) noexcept { *this = std::move(Other); }
    TPreparedImage& operator=(TPreparedImage&& Other) noexcept;
    ~TPreparedImage() { Clear(); }
    void Clear();

    std::string OpenPath; // the image or sheet to hand libcdio
    int Driver = 0;       // libcdio's driver_id_t for it
    int FirstTrack = 0;   // the disc's first track number, which libcdio counts as 1
    std::string Folder;   // the private folder, or ""
};

// Checks the image at Path and prepares it for libcdio. Returns deOK, deNotDiscImage (a file that reads
// but is neither a sheet nor a Nero image), deBadImage (unreadable or damaged) or deBadToc (more tracks
// than a CD holds, or numbered out of order).
int PrepareDiscImage(const std::string& Path, TPreparedImage& Out);

// The checks on the bytes of each kind of image, for PrepareDiscImage and the fuzz targets. Size is the
// length of the whole file; Tail holds its last bytes (all of them when the file is short).
int CheckNrgImage(std::uint64_t Size, std::string_view Tail);
int CheckCueSheet(std::string_view Text);
int CheckTocSheet(std::string_view Text);

// How many of the last bytes of a Nero image CheckNrgImage needs.
constexpr std::size_t NrgTailBytes = 4096 + 12;
