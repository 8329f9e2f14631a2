// Damage for the catalogue fuzz targets: a valid file made by the code under test, with the fuzzer's
// input applied as patches, so that the fuzzer works on damage to real structures rather than on noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Each five bytes of the input: a 32-bit position (taken modulo the file's length) and a byte XORed
// there. A first byte with its top bit set also cuts the file at the position of the first patch.
inline std::string ApplyPatches(std::string File, const std::uint8_t* Bytes, std::size_t Size) {
    if (File.empty() || Size == 0) return File;
    const bool Cut = Bytes[0] & 0x80;
    std::size_t CutAt = File.size();
    for (std::size_t At = 1; At + 5 <= Size; At += 5) {
        std::uint32_t Pos;
        std::memcpy(&Pos, Bytes + At, 4);
        Pos %= static_cast<std::uint32_t>(File.size());
        if (At == 1) CutAt = Pos;
        File[Pos] = static_cast<char>(File[Pos] ^ Bytes[At + 4]);
    }
    if (Cut) File.resize(CutAt);
    return File;
}
