// Wave file reading and writing.
#include "devices/WaveFile.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>

#include "devices/CdErrors.h"

int WriteWaveHeader(const std::string& Path, int Rate, int Bits, int Channels) {
    if (Rate <= 0 || (Bits != 8 && Bits != 16) || (Channels != 1 && Channels != 2)) return deWaveFormat;
    // An empty wave: libsndfile writes the plain 44-byte header and nothing else.
    TWaveData Empty;
    Empty.Rate = Rate;
    Empty.Bits = Bits;
    Empty.Channels = Channels;
    return SaveWaveFile(Path, Empty);
}

int LoadWaveFile(const std::string& Path, TWaveData& Wave) {
    std::error_code Ec;
    if (!std::filesystem::is_regular_file(Path, Ec)) return deWaveNotFound;
    SF_INFO Info{};
    SNDFILE* File = sf_open(Path.c_str(), SFM_READ, &Info);
    if (!File) return deNotWave;
    const int Major = Info.format & SF_FORMAT_TYPEMASK;
    const int Sub = Info.format & SF_FORMAT_SUBMASK;
    if ((Major != SF_FORMAT_WAV && Major != SF_FORMAT_WAVEX) || Info.channels < 1 || Info.channels > 2 ||
        Info.samplerate <= 0) {
        sf_close(File);
        return Major == SF_FORMAT_WAV || Major == SF_FORMAT_WAVEX ? deWaveFormat : deNotWave;
    }
    TWaveData Result;
    Result.Rate = Info.samplerate;
    Result.Channels = Info.channels;
    Result.Bits = Sub == SF_FORMAT_PCM_U8 || Sub == SF_FORMAT_PCM_S8 ? 8 : 16;
    Result.Samples.resize(static_cast<std::size_t>(Info.frames) * static_cast<std::size_t>(Info.channels));
    const sf_count_t Read = sf_readf_short(File, Result.Samples.data(), Info.frames);
    sf_close(File);
    Result.Samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(Read, 0)) *
                          static_cast<std::size_t>(Info.channels));
    Wave = std::move(Result);
    return deOK;
}

int SaveWaveFile(const std::string& Path, const TWaveData& Wave) {
    if (Path.empty() || Wave.Channels < 1 || Wave.Rate <= 0) return deWaveWrite;
    const std::string Temporary = Path + ".part";
    SF_INFO Info{};
    Info.samplerate = Wave.Rate;
    Info.channels = Wave.Channels;
    Info.format = SF_FORMAT_WAV | (Wave.Bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* File = sf_open(Temporary.c_str(), SFM_WRITE, &Info);
    if (!File) return deWaveWrite;
    const sf_count_t Frames = static_cast<sf_count_t>(Wave.Frames());
    const bool Written = sf_writef_short(File, Wave.Samples.data(), Frames) == Frames;
    const bool Closed = sf_close(File) == 0;
    std::error_code Ec;
    if (!Written || !Closed) {
        std::filesystem::remove(Temporary, Ec);
        return deWaveWrite;
    }
    std::filesystem::rename(Temporary, Path, Ec);
    if (Ec) {
        std::filesystem::remove(Temporary, Ec);
        return deWaveWrite;
    }
    return deOK;
}
