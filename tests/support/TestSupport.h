// Helpers every test area shares: a fresh data folder per test, fixtures copied out of the read-only
// test data, and a message answerer that records what the program said.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/MessageBoxes.h"

// Creates a fresh temporary folder, points ORBELUNE_HOME at it for the object's lifetime and removes it
// afterwards (with whatever the test left in it).
class TTempHome {
public:
    TTempHome();
    ~TTempHome();
    TTempHome(const TTempHome&) = delete;
    TTempHome& operator=(const TTempHome&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // Path plus a trailing "/", as ProgramDir gives it.
    std::string Dir() const { return FPath.string() + "/"; }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
    std::string FOldHome;
    bool FHadHome = false;
};

// Makes Folder read-only for the object's lifetime, as a read-only mount or a folder of another user
// would be. A root test process takes the identity of "nobody" meanwhile, since root writes anyway;
// Active() is false when neither works (the test should then skip).
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(const std::filesystem::path& Folder);
    ~TReadOnlyFolder();
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;
    bool Active() const { return FActive; }

private:
    std::filesystem::path FFolder;
    bool FActive = false;
    bool FDropped = false;
};

// Records every message and answers confirmations from a queue (No when the queue is empty).
class TRecordingAnswerer : public TMessageSink {
public:
    TRecordingAnswerer();
    ~TRecordingAnswerer() override;

    void Information(const std::string& Msg) override { Errors.push_back(Msg); }
    int Confirm(const std::string& Msg) override;
    int Run(const std::string& FileName, const std::string&, const std::string&, int) override {
        Started.push_back(FileName);
        return 42;
    }

    std::vector<std::string> Errors;
    std::vector<std::string> Questions;
    std::vector<std::string> Started;
    std::deque<int> Answers;

private:
    TMessageSink* FPrevious;
};

// ../shared/testdata, or $ORBELUNE_TESTDATA.
std::filesystem::path TestDataDir();
// Copies a fixture from the test data into Folder and returns the copy's path (writable).
std::filesystem::path CopyFixture(const std::string& Relative, const std::filesystem::path& Folder);
// Reads a whole file as bytes.
std::string ReadFileBytes(const std::filesystem::path& Path);
void WriteFileBytes(const std::filesystem::path& Path, const std::string& Bytes);
