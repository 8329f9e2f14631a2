#include "devices/DemoDisc.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string DemoDiscPath() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const fs::path& candidate : {exe.parent_path() / "demo/orbelune-demo.cue",
                                          exe.parent_path() / "../share/orbelune/demo/orbelune-demo.cue"})
            if (fs::exists(candidate, ec)) return candidate.lexically_normal().string();
    }
#ifdef ORBELUNE_DEMO_DIR
    const fs::path built = fs::path(ORBELUNE_DEMO_DIR) / "orbelune-demo.cue";
    if (fs::exists(built, ec)) return built.string();
#endif
    return {};
}
