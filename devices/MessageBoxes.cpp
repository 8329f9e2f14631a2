#include "devices/MessageBoxes.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <iostream>

#include "devices/SoundOutput.h"

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
    QProcess Child;
    Child.setProgram(QString::fromStdString(FileName));
    Child.setArguments(QProcess::splitCommand(QString::fromStdString(Params)));
    Child.setWorkingDirectory(QString::fromStdString(Directory));
    // The sound server's name for the player's own stream is not handed on to the programs it starts.
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    if (Environment.value(QStringLiteral("PULSE_PROP_OVERRIDE")) == QLatin1String(SoundStreamProperties))
        Environment.remove(QStringLiteral("PULSE_PROP_OVERRIDE"));
    Child.setProcessEnvironment(Environment);
    const bool started = Child.startDetached();
    // Values of 32 and below were failures for the launcher the callers were written against.
    return started ? 42 : 2;
}
