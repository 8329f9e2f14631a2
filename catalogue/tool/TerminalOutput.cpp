#include "catalogue/tool/TerminalOutput.h"

#include <iostream>
#include <string>
#include <unistd.h>

namespace {

class TTerminalFilter : public std::streambuf {
public:
    explicit TTerminalFilter(std::streambuf* Next) : FNext(Next) {}
    std::streambuf* Next() const { return FNext; }

protected:
    int_type overflow(int_type C) override {
        if (traits_type::eq_int_type(C, traits_type::eof())) return traits_type::not_eof(C);
        const char Byte = traits_type::to_char_type(C);
        return Put(&Byte, 1) ? C : traits_type::eof();
    }
    std::streamsize xsputn(const char* Text, std::streamsize Count) override {
        return Put(Text, static_cast<std::size_t>(Count)) ? Count : 0;
    }
    int sync() override {
        if (FLead && FNext->sputc('\xC2') == traits_type::eof()) return -1;
        FLead = false;
        return FNext->pubsync();
    }

private:
    bool Put(const char* Text, std::size_t Count) {
        std::string Out;
        Out.reserve(Count + 8);
        for (std::size_t i = 0; i < Count; ++i) {
            const auto Byte = static_cast<unsigned char>(Text[i]);
            // C1 controls in UTF-8 are 0xC2 followed by 0x80 to 0x9F.
            if (FLead) {
                FLead = false;
                if (Byte >= 0x80 && Byte < 0xA0) {
                    Out += '?';
                    continue;
                }
                Out += '\xC2';
            }
            if (Byte == 0xC2) {
                FLead = true;
            } else if ((Byte < 0x20 && Byte != '\n' && Byte != '\t') || Byte == 0x7F) {
                Out += '^';
                Out += Byte == 0x7F ? '?' : static_cast<char>(Byte + 0x40);
            } else {
                Out += static_cast<char>(Byte);
            }
        }
        return FNext->sputn(Out.data(), static_cast<std::streamsize>(Out.size())) ==
               static_cast<std::streamsize>(Out.size());
    }

    std::streambuf* FNext;
    bool FLead = false; // a 0xC2 waits for the byte after it
};

} // namespace

std::unique_ptr<std::streambuf> MakeTerminalFilter(std::streambuf* Next) {
    return std::make_unique<TTerminalFilter>(Next);
}

TTerminalGuard::TTerminalGuard() {
    if (::isatty(STDOUT_FILENO) == 1) {
        FOut = MakeTerminalFilter(std::cout.rdbuf());
        FOldOut = std::cout.rdbuf(FOut.get());
    }
    if (::isatty(STDERR_FILENO) == 1) {
        FErr = MakeTerminalFilter(std::cerr.rdbuf());
        FOldErr = std::cerr.rdbuf(FErr.get());
    }
}

TTerminalGuard::~TTerminalGuard() {
    if (FOldOut) {
        std::cout.flush();
        std::cout.rdbuf(FOldOut);
    }
    if (FOldErr) {
        std::cerr.flush();
        std::cerr.rdbuf(FOldErr);
    }
}

void WriteTerminalControl(std::ostream& Out, std::string_view Text) {
    Out.flush();
    std::streambuf* Buffer = Out.rdbuf();
    if (auto* Filter = dynamic_cast<TTerminalFilter*>(Buffer)) Buffer = Filter->Next();
    Buffer->sputn(Text.data(), static_cast<std::streamsize>(Text.size()));
    Buffer->pubsync();
}
