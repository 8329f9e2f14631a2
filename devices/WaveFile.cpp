// Wave file reading and writing.
#include "devices/WaveFile.h"

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "devices/CdErrors.h"

namespace {

void Put16(std::string& Out, unsigned Value) {
    Out += static_cast<char>(Value & 0xFF);
    Out += static_cast<char>((Value >> 8) & 0xFF);
}

void Put32(std::string& Out, std::uint32_t Value) {
    Put16(Out, Value & 0xFFFF);
    Put16(Out, Value >> 16);
}

} // namespace

int WriteWaveHeader(const std::string& Path, int Rate, int Bits, int Channels) {
    if (Rate <= 0 || (Bits != 8 && Bits != 16) || (Channels != 1 && Channels != 2)) return deWaveFormat;
    const unsigned BlockAlign = static_cast<unsigned>(Channels * Bits / 8);
    std::string Header = "RIFF";
    Put32(Header, 36);
    Header += "WAVEfmt ";
    Put32(Header, 16);
    Put16(Header, 1);
    Put16(Header, static_cast<unsigned>(Channels));
    Put32(Header, static_cast<std::uint32_t>(Rate));
    Put32(Header, static_cast<std::uint32_t>(Rate) * BlockAlign);
    Put16(Header, BlockAlign);
    Put16(Header, static_cast<unsigned>(Bits));
    Header += "data";
    Put32(Header, 0);
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File.write(Header.data(), static_cast<std::streamsize>(Header.size()));
    File.close();
    return File ? deOK : deWaveWrite;
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
