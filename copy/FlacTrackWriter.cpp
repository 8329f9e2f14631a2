// FLAC files of copied tracks through libFLAC's stream encoder.
#include "copy/FlacTrackWriter.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

std::string EncoderError(FLAC__StreamEncoder* Encoder) {
    return FLAC__StreamEncoderStateString[FLAC__stream_encoder_get_state(Encoder)];
}

} // namespace

TFlacTrackWriter::~TFlacTrackWriter() {
    Abandon();
}

std::string TFlacTrackWriter::TemporaryName(const std::string& Path) {
    const std::filesystem::path P(Path);
    return (P.parent_path() / ("." + P.filename().string() + ".partial")).string();
}

std::string TFlacTrackWriter::Open(const std::string& Path, int Level, std::uint64_t TotalPairs,
                                   const std::vector<std::pair<std::string, std::string>>& Comments,
                                   const TFlacPicture& Picture) {
    Abandon();
    FPath = Path;
    FTemporary = TemporaryName(Path);
    FEncoder = FLAC__stream_encoder_new();
    if (!FEncoder) return "out of memory";
    FLAC__stream_encoder_set_channels(FEncoder, 2);
    FLAC__stream_encoder_set_bits_per_sample(FEncoder, 16);
    FLAC__stream_encoder_set_sample_rate(FEncoder, 44100);
    FLAC__stream_encoder_set_compression_level(FEncoder, static_cast<unsigned>(Level));
    FLAC__stream_encoder_set_total_samples_estimate(FEncoder, TotalPairs);

    FLAC__StreamMetadata* Tags = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    FMetadata.push_back(Tags);
    for (const auto& [Name, Value] : Comments) {
        if (Value.empty()) continue;
        FLAC__StreamMetadata_VorbisComment_Entry Entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&Entry, Name.c_str(),
                                                                            Value.c_str()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(Tags, Entry, false)) {
            Release();
            return "the comment " + Name + " cannot be stored";
        }
    }
    if (!Picture.Data.empty()) {
        FLAC__StreamMetadata* Block = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PICTURE);
        FMetadata.push_back(Block);
        Block->data.picture.type = FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER;
        Block->data.picture.width = static_cast<FLAC__uint32>(Picture.Width);
        Block->data.picture.height = static_cast<FLAC__uint32>(Picture.Height);
        Block->data.picture.depth = static_cast<FLAC__uint32>(Picture.Depth);
        std::string Mime = Picture.Mime;
        FLAC__byte Empty[] = "";
        if (!FLAC__metadata_object_picture_set_mime_type(Block, Mime.data(), true) ||
            !FLAC__metadata_object_picture_set_description(Block, Empty, true) ||
            !FLAC__metadata_object_picture_set_data(
                Block, reinterpret_cast<FLAC__byte*>(const_cast<char*>(Picture.Data.data())),
                static_cast<FLAC__uint32>(Picture.Data.size()), true)) {
            Release();
            return "the picture cannot be stored";
        }
    }
    FLAC__StreamMetadata* Padding = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
    Padding->length = 4096; // room for tags added later without rewriting the audio
    FMetadata.push_back(Padding);
    FLAC__stream_encoder_set_metadata(FEncoder, FMetadata.data(), static_cast<unsigned>(FMetadata.size()));

    const FLAC__StreamEncoderInitStatus Status =
        FLAC__stream_encoder_init_file(FEncoder, FTemporary.c_str(), nullptr, nullptr);
    if (Status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        const std::string Why = Status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR
                                    ? EncoderError(FEncoder)
                                    : FLAC__StreamEncoderInitStatusString[Status];
        Release();
        std::remove(FTemporary.c_str());
        return FTemporary + " cannot be written: " + Why;
    }
    return {};
}

std::string TFlacTrackWriter::Write(const std::int16_t* Samples, std::size_t Pairs) {
    if (!FEncoder) return "no file is open";
    FBuffer.resize(Pairs * 2);
    for (std::size_t I = 0; I < Pairs * 2; ++I)
        FBuffer[I] = Samples[I];
    if (!FLAC__stream_encoder_process_interleaved(FEncoder, FBuffer.data(), static_cast<unsigned>(Pairs)))
        return FPath + " cannot be written: " + EncoderError(FEncoder);
    return {};
}

std::string TFlacTrackWriter::Finish() {
    if (!FEncoder) return "no file is open";
    const bool Done = FLAC__stream_encoder_finish(FEncoder);
    const std::string Why = Done ? std::string() : EncoderError(FEncoder);
    Release();
    if (!Done) {
        std::remove(FTemporary.c_str());
        return FPath + " cannot be written: " + Why;
    }
    if (std::rename(FTemporary.c_str(), FPath.c_str()) != 0) {
        const std::string Error = std::strerror(errno);
        std::remove(FTemporary.c_str());
        return FPath + " cannot be written: " + Error;
    }
    return {};
}

void TFlacTrackWriter::Abandon() {
    if (!FEncoder) return;
    FLAC__stream_encoder_finish(FEncoder);
    Release();
    std::remove(FTemporary.c_str());
}

void TFlacTrackWriter::Release() {
    if (FEncoder) FLAC__stream_encoder_delete(FEncoder);
    FEncoder = nullptr;
    for (FLAC__StreamMetadata* Block : FMetadata)
        FLAC__metadata_object_delete(Block);
    FMetadata.clear();
}
