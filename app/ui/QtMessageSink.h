// Message boxes of the running program: "Information" with a beep first, "Confirm" with Yes and No.
#pragma once

#include "devices/MessageBoxes.h"

class TQtMessageSink : public TMessageSink {
public:
    void Information(const std::string& Msg) override;
    int Confirm(const std::string& Msg) override;
    int Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
            int ShowCmd) override;
};
