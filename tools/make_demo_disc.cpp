// Writes the built-in demo disc: a cue sheet with CD-TEXT and a raw audio image of five short pieces
// synthesised here, so the player always has something to play even on a machine without a drive.
//
// Usage: make_demo_disc OUTPUT_FOLDER   (writes orbelune-demo.cue and orbelune-demo.bin)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr int SectorBytes = 2352;
constexpr double Pi = 3.14159265358979323846;

struct Piece {
    const char* Title;
    double Seconds;
    double Tempo; // beats per minute
    int Root;     // MIDI note of the key
    bool Minor;
    int Instrument; // 0 bell, 1 pluck, 2 soft organ
    std::uint32_t Seed;
};

const Piece Pieces[] = {
    {"Morning Over the Harbour", 24, 96, 62, false, 0, 11},
    {"Copper Kettle Waltz", 31, 132, 57, true, 1, 23},
    {"Lanterns", 18, 84, 65, false, 2, 5},
    {"The Long Way Round", 37, 112, 60, false, 1, 42},
    {"Night Train to Ostend", 27, 72, 55, true, 0, 7},
};

double NoteFrequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A small deterministic generator, so every build writes the same disc.
struct Lcg {
    std::uint32_t State;
    std::uint32_t Next() { return State = State * 1664525u + 1013904223u; }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<std::uint32_t>(n)); }
};

double Voice(int instrument, double freq, double t, double length) {
    if (t < 0 || t > length + 1.5) return 0;
    const double phase = 2 * Pi * freq * t;
    switch (instrument) {
    case 0: { // bell: inharmonic partials with long decays
        const double a = std::exp(-t * 2.2);
        return a *
               (std::sin(phase) + 0.45 * std::sin(phase * 2.76) * std::exp(-t * 3) +
                0.25 * std::sin(phase * 5.4) * std::exp(-t * 6)) *
               std::min(1.0, t * 400);
    }
    case 1: { // plucked string: bright attack that mellows
        const double a = std::exp(-t * 3.5);
        return a *
               (std::sin(phase) + 0.5 * std::exp(-t * 5) * std::sin(2 * phase) +
                0.3 * std::exp(-t * 8) * std::sin(3 * phase)) *
               std::min(1.0, t * 600);
    }
    default: { // soft organ: held while the note lasts, gentle release
        const double attack = std::min(1.0, t * 20);
        const double release = t > length ? std::exp(-(t - length) * 8) : 1.0;
        return attack * release * 0.6 *
               (std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.15 * std::sin(4 * phase));
    }
    }
}

std::vector<float> Render(const Piece& piece) {
    const std::size_t frames = static_cast<std::size_t>(piece.Seconds * Rate);
    std::vector<float> out(frames * 2, 0.0f);
    const int majorScale[] = {0, 2, 4, 7, 9, 12, 14, 16};
    const int minorScale[] = {0, 3, 5, 7, 10, 12, 15, 17};
    const int* scale = piece.Minor ? minorScale : majorScale;
    const int progression[4][3] = {{0, 4, 7}, {7, 11, 14}, {9, 12, 16}, {5, 9, 12}};
    const int minorProgression[4][3] = {{0, 3, 7}, {8, 12, 15}, {3, 7, 10}, {7, 10, 14}};
    const double beat = 60.0 / piece.Tempo;
    Lcg random{piece.Seed};

    auto add = [&](double start, double length, double freq, int instrument, double gain, double pan) {
        const std::size_t first = static_cast<std::size_t>(std::max(0.0, start * Rate));
        const std::size_t last = std::min(frames, static_cast<std::size_t>((start + length + 1.5) * Rate));
        const double left = gain * std::cos(pan * Pi / 2), right = gain * std::sin(pan * Pi / 2);
        for (std::size_t i = first; i < last; ++i) {
            const double v = Voice(instrument, freq, i / double(Rate) - start, length);
            out[2 * i] += static_cast<float>(v * left);
            out[2 * i + 1] += static_cast<float>(v * right);
        }
    };

    // Chords and bass: one chord a bar of four beats.
    int bar = 0;
    for (double t = 0; t < piece.Seconds - 1; t += 4 * beat, ++bar) {
        const int* chord = piece.Minor ? minorProgression[bar % 4] : progression[bar % 4];
        for (int n = 0; n < 3; ++n)
            add(t, 4 * beat, NoteFrequency(piece.Root - 12 + chord[n]), 2, 0.07, 0.25 + 0.25 * n);
        add(t, 2 * beat, NoteFrequency(piece.Root - 24 + chord[0]), 1, 0.22, 0.5);
        add(t + 2 * beat, 2 * beat, NoteFrequency(piece.Root - 24 + chord[0] + 7), 1, 0.18, 0.5);
    }
    // Melody: a walk over the scale, mostly in steps, with a rest now and then.
    int degree = 2;
    for (double t = 0; t < piece.Seconds - 2; t += beat / 2) {
        if (random.Below(6) == 0) continue;
        degree = std::clamp(degree + random.Below(5) - 2, 0, 7);
        const double length = random.Below(3) == 0 ? beat : beat / 2;
        add(t, length, NoteFrequency(piece.Root + scale[degree]), piece.Instrument, 0.28,
            0.35 + 0.3 * (degree / 7.0));
    }
    // Fade in and out so tracks join without clicks.
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = i / double(Rate), fromEnd = piece.Seconds - t;
        const double g = std::min({1.0, t / 0.02, fromEnd / 1.5});
        out[2 * i] *= static_cast<float>(g);
        out[2 * i + 1] *= static_cast<float>(g);
    }
    float peak = 0;
    for (float v : out)
        peak = std::max(peak, std::fabs(v));
    if (peak > 0)
        for (float& v : out)
            v *= 0.7f / peak;
    return out;
}

std::string Msf(long sectors) {
    char text[48];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", sectors / 4500, sectors / 75 % 60, sectors % 75);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_disc OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ofstream bin(folder / "orbelune-demo.bin", std::ios::binary | std::ios::trunc);
    std::string cue = "REM Orbelune demo disc, synthesised at build time\n"
                      "PERFORMER \"The Orbelune Players\"\nTITLE \"Demo Disc\"\n"
                      "FILE \"orbelune-demo.bin\" BINARY\n";
    long sector = 0;
    int number = 1;
    for (const Piece& piece : Pieces) {
        const std::vector<float> samples = Render(piece);
        std::vector<std::uint8_t> bytes;
        bytes.reserve(samples.size() * 2 + SectorBytes);
        for (float v : samples) {
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
        bytes.resize((bytes.size() + SectorBytes - 1) / SectorBytes * SectorBytes, 0);
        bin.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        char header[64];
        std::snprintf(header, sizeof header, "  TRACK %02d AUDIO\n", number++);
        cue += header;
        cue += std::string("    TITLE \"") + piece.Title + "\"\n    PERFORMER \"The Orbelune Players\"\n";
        cue += "    INDEX 01 " + Msf(sector) + "\n";
        sector += static_cast<long>(bytes.size() / SectorBytes);
    }
    std::ofstream(folder / "orbelune-demo.cue", std::ios::trunc) << cue;
    if (!bin.good()) {
        std::fprintf(stderr, "make_demo_disc: cannot write %s\n", (folder / "orbelune-demo.bin").c_str());
        return 1;
    }
    return 0;
}
