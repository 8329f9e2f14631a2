#include "devices/MessageBoxes.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <iostream>

namespace {
TConsoleMessageSink ConsoleSink;
TMessageSink* CurrentSink = &ConsoleSink;
} // namespace

void TConsoleMessageSink::Information(const std::string& Msg) {
    std::cerr << Msg << '\n';
}

int TConsoleMessageSink::Confirm(const std::string& Msg) {
    std::cerr << Msg << " [answered No]\n";
    return idNo;
}

int TConsoleMessageSink::Run(const std::string& FileName, const std::string& Params,
                             const std::string& Directory, int) {
    return StartDetachedProgram(FileName, Params, Directory);
}

TMessageSink* SetMessageSink(TMessageSink* Sink) {
    TMessageSink* previous = CurrentSink;
    CurrentSink = Sink ? Sink : &ConsoleSink;
    return previous == &ConsoleSink ? nullptr : previous;
}

void ShowError(const std::string& Msg) {
    CurrentSink->Information(Msg);
}

int AskYesNo(const std::string& Msg) {
    return CurrentSink->Confirm(Msg);
}

int RunProgram(const std::string& FileName, const std::string& Params, const std::string& Directory,
               int ShowCmd) {
    return CurrentSink->Run(FileName, Params, Directory, ShowCmd);
}

int StartDetachedProgram(const std::string& FileName, const std::string& Params,
                         const std::string& Directory) {
    // Each text is passed whole: a path cut short would start another program or none.
    const QStringList arguments = QProcess::splitCommand(QString::fromStdString(Params));
    const bool started = QProcess::startDetached(QString::fromStdString(FileName), arguments,
                                                 QString::fromStdString(Directory));
    // Values of 32 and below were failures for the launcher the callers were written against.
    return started ? 42 : 2;
}
