#include "TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Every test program runs without a screen and knows where the sources, the build and the shared test
// data are, however it was started.
struct TTestEnvironment {
    TTestEnvironment() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("ORBELUNE_TESTDATA", ORBELUNE_TESTDATA_DIR, 0);
        ::setenv("ORBELUNE_SOURCE", ORBELUNE_SOURCE_DIR, 0);
        ::setenv("ORBELUNE_BUILD", ORBELUNE_BUILD_DIR, 0);
    }
} TestEnvironment;

} // namespace

// Qt keeps caches for the whole run that the leak checker would report at exit.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

TTempHome::TTempHome() {
    std::string pattern = (fs::temp_directory_path() / "orbelune-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
    if (const char* old = std::getenv("ORBELUNE_HOME")) {
        FHadHome = true;
        FOldHome = old;
    }
    ::setenv("ORBELUNE_HOME", FPath.c_str(), 1);
}

TTempHome::~TTempHome() {
    if (FHadHome)
        ::setenv("ORBELUNE_HOME", FOldHome.c_str(), 1);
    else
        ::unsetenv("ORBELUNE_HOME");
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

TReadOnlyFolder::TReadOnlyFolder(const fs::path& Folder) : FFolder(Folder) {
    std::error_code ec;
    fs::permissions(FFolder,
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                    ec);
    if (ec) return;
    if (::geteuid() == 0) FDropped = ::seteuid(65534) == 0;
    // The test must see the folder as the program will: a probe that can be created means no protection.
    const fs::path probe = FFolder / "probe";
    if (std::ofstream(probe)) {
        fs::remove(probe, ec);
        return;
    }
    FActive = true;
}

TReadOnlyFolder::~TReadOnlyFolder() {
    if (FDropped) (void)::seteuid(0);
    std::error_code ec;
    fs::permissions(FFolder, fs::perms::owner_all, ec);
}

TRecordingAnswerer::TRecordingAnswerer() : FPrevious(SetMessageSink(this)) {}

TRecordingAnswerer::~TRecordingAnswerer() {
    SetMessageSink(FPrevious);
}

int TRecordingAnswerer::Confirm(const std::string& Msg) {
    Questions.push_back(Msg);
    if (Answers.empty()) return idNo;
    const int answer = Answers.front();
    Answers.pop_front();
    return answer;
}

fs::path TestDataDir() {
    if (const char* dir = std::getenv("ORBELUNE_TESTDATA"); dir && *dir) return dir;
    const fs::path beside = fs::path(__FILE__).parent_path() / "../../../shared/testdata";
    return fs::exists(beside) ? beside : fs::path("/work/shared/testdata");
}

fs::path CopyFixture(const std::string& Relative, const fs::path& Folder) {
    const fs::path source = TestDataDir() / Relative;
    const fs::path target = Folder / source.filename();
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target;
}

std::string ReadFileBytes(const fs::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const fs::path& Path, const std::string& Bytes) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}
