// The built-in demo disc: a small disc image generated at build time, played when the machine has no
// CD drive and no disc image was named.
#pragma once

#include <string>

// Path of the demo disc's cue sheet: "demo/orbelune-demo.cue" beside the executable when present (a build
// or an install), else the one in the build tree. Empty when neither exists.
std::string DemoDiscPath();
