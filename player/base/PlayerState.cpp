#include "player/base/PlayerState.h"

std::string PlayModeName(TPlayMode Mode) {
    static const char* const Names[] = {"Disc", "Track", "Random", "Shuffle", "Intro", "Custom"};
    return Mode < std::size(Names) ? Names[Mode] : Names[pmDisc];
}

bool TPlayProgramme::Append(int Track) {
    if (Count >= MaxEntries) return false;
    Entries[Count++] = static_cast<std::uint8_t>(Track);
    return true;
}
