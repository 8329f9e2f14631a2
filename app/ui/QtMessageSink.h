// Message boxes of the running program: "Information" with a beep first, "Confirm" with Yes and No. While
// the program ends on a signal no box is shown: no one may be there to answer it, so messages go to the
// standard error and questions are answered No.
#pragma once

#include "devices/MessageBoxes.h"

class TQtMessageSink : public TMessageSink {
public:
    void Information(const std::string& Msg) override;
    int Confirm(const std::string& Msg) override;
    int Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
            int ShowCmd) override;

    void SetQuiet(bool Quiet) { FQuiet = Quiet; }

private:
    bool FQuiet = false;
};
