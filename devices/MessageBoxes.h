// Every message of the program goes through ShowError and AskYesNo, and other programs are started
// through RunProgram. Core code calls these; the running program installs a sink that shows Qt message
// boxes, tests install one that records the texts and answers as told.
#pragma once

#include <string>

// Button results of AskYesNo, with the values the message box returns.
constexpr int idYes = 6;
constexpr int idNo = 7;

class TMessageSink {
public:
    virtual ~TMessageSink() = default;
    // Information box: a warning beep, the text and an OK button.
    virtual void Information(const std::string& Msg) = 0;
    // Confirmation box with Yes and No; returns idYes or idNo.
    virtual int Confirm(const std::string& Msg) = 0;
    // Starts another program detached; returns a value above 32 on success, as the launcher did.
    virtual int Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
                    int ShowCmd) = 0;
};

// The sink used until another is installed: writes messages to standard error, answers No and starts
// programs detached.
class TConsoleMessageSink : public TMessageSink {
public:
    void Information(const std::string& Msg) override;
    int Confirm(const std::string& Msg) override;
    int Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
            int ShowCmd) override;
};

// Installs Sink (not owned) and returns the previous one; nullptr restores the console sink.
TMessageSink* SetMessageSink(TMessageSink* Sink);

void ShowError(const std::string& Msg);
int AskYesNo(const std::string& Msg);
int RunProgram(const std::string& FileName, const std::string& Params, const std::string& Directory,
               int ShowCmd);

// Starts a program detached with the three texts whole; shared by the sinks that really launch.
int StartDetachedProgram(const std::string& FileName, const std::string& Params,
                         const std::string& Directory);
