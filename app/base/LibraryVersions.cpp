#include "app/base/LibraryVersions.h"

#include <QtGlobal>
#include <cdio/version.h>
#include <sndfile.h>
#include <soxr.h>

namespace {

// "libsndfile-1.2.0" and "libsoxr-0.1.3" become "1.2.0" and "0.1.3".
std::string AfterName(const char* Reported, const std::string& Name) {
    std::string Text = Reported ? Reported : "";
    if (Text.rfind(Name + "-", 0) == 0) Text.erase(0, Name.size() + 1);
    return Text;
}

} // namespace

std::vector<TLibraryVersion> LibraryVersions() {
    // libcdio's string can carry the build machine after the number ("2.1.0 x86_64-pc-linux-gnu").
    std::string Cdio = cdio_version_string ? cdio_version_string : CDIO_VERSION;
    Cdio = Cdio.substr(0, Cdio.find(' '));
    return {
        {"Qt", qVersion()},
        {"libcdio", Cdio},
        {"libsndfile", AfterName(sf_version_string(), "libsndfile")},
        {"libsoxr", AfterName(soxr_version(), "libsoxr")},
    };
}
