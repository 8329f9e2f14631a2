// Shared pieces of the copy tests: the samples of a disc image, a FLAC file decoded with libFLAC, and the
// AccurateRip checksums computed again, straight from the published description, for comparison.
#pragma once

#include <FLAC/stream_decoder.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

// A disc image's raw audio as stereo 16-bit samples (the BIN file of a CUE sheet).
inline std::vector<std::int16_t> ImagePcm(const std::filesystem::path& Bin) {
    const std::string Bytes = ReadFileBytes(Bin);
    std::vector<std::int16_t> Pcm(Bytes.size() / 2);
    std::memcpy(Pcm.data(), Bytes.data(), Pcm.size() * 2);
    return Pcm;
}

// Samples [From, From + Pairs) of Pcm (stereo pairs), zeros where that lies outside it.
inline std::vector<std::int16_t> Shifted(const std::vector<std::int16_t>& Pcm, std::int64_t From,
                                         std::int64_t Pairs, std::int64_t Available) {
    std::vector<std::int16_t> Out(static_cast<std::size_t>(Pairs * 2), 0);
    for (std::int64_t I = 0; I < Pairs; ++I) {
        const std::int64_t P = From + I;
        if (P < 0 || P >= Available) continue;
        Out[static_cast<std::size_t>(2 * I)] = Pcm[static_cast<std::size_t>(2 * P)];
        Out[static_cast<std::size_t>(2 * I + 1)] = Pcm[static_cast<std::size_t>(2 * P + 1)];
    }
    return Out;
}

struct TDecodedFlac {
    std::vector<std::int16_t> Pcm;
    std::vector<std::string> Comments;
    bool Picture = false;
    std::string Error;
};

inline TDecodedFlac DecodeFlac(const std::filesystem::path& Path) {
    TDecodedFlac Out;
    FLAC__StreamDecoder* Decoder = FLAC__stream_decoder_new();
    FLAC__stream_decoder_set_metadata_respond_all(Decoder);
    const auto Write = [](const FLAC__StreamDecoder*, const FLAC__Frame* Frame,
                          const FLAC__int32* const Buffer[], void* Data) {
        auto* Self = static_cast<TDecodedFlac*>(Data);
        for (unsigned I = 0; I < Frame->header.blocksize; ++I)
            for (unsigned C = 0; C < 2; ++C)
                Self->Pcm.push_back(static_cast<std::int16_t>(Buffer[C][I]));
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    };
    const auto Metadata = [](const FLAC__StreamDecoder*, const FLAC__StreamMetadata* Block, void* Data) {
        auto* Self = static_cast<TDecodedFlac*>(Data);
        if (Block->type == FLAC__METADATA_TYPE_PICTURE) Self->Picture = true;
        if (Block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT)
            for (unsigned I = 0; I < Block->data.vorbis_comment.num_comments; ++I) {
                const auto& E = Block->data.vorbis_comment.comments[I];
                Self->Comments.emplace_back(reinterpret_cast<const char*>(E.entry), E.length);
            }
    };
    const auto Error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus Status, void* Data) {
        static_cast<TDecodedFlac*>(Data)->Error = FLAC__StreamDecoderErrorStatusString[Status];
    };
    if (FLAC__stream_decoder_init_file(Decoder, Path.c_str(), Write, Metadata, Error, &Out) !=
            FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_stream(Decoder))
        Out.Error = "cannot decode " + Path.string();
    FLAC__stream_decoder_delete(Decoder);
    return Out;
}

// v1 and v2 of a whole track, as the description puts it: every sample pair read as one little-endian
// 32-bit word and multiplied by its position in the track counted from 1; v1 adds the products' low
// words, v2 their low and high words. The disc's first track counts from position 5 x 588 on, its last
// track up to its length minus 5 x 588.
inline std::pair<std::uint32_t, std::uint32_t> ReferenceArChecksums(const std::vector<std::int16_t>& Track,
                                                                    bool First, bool Last) {
    const std::uint64_t Count = Track.size() / 2;
    std::uint32_t V1 = 0, V2 = 0;
    for (std::uint64_t Position = 1; Position <= Count; ++Position) {
        if (First && Position < 5 * 588) continue;
        if (Last && Position > Count - 5 * 588) continue;
        const std::uint16_t L = static_cast<std::uint16_t>(Track[2 * (Position - 1)]);
        const std::uint16_t R = static_cast<std::uint16_t>(Track[2 * (Position - 1) + 1]);
        const std::uint64_t Word = (std::uint64_t(R) << 16) | L;
        const std::uint64_t Product = Word * Position;
        V1 += static_cast<std::uint32_t>(Product & 0xffffffffu);
        V2 += static_cast<std::uint32_t>(Product & 0xffffffffu) + static_cast<std::uint32_t>(Product >> 32);
    }
    return {V1, V2};
}
