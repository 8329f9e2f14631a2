// The pictures that come with the program: "general.bmp" (shown for a disc without a picture) and
// "sandblst.bmp" (the default handset background), written into the data folder when missing.
#pragma once

#include <string>

// Writes each missing picture from the program's resources into Dir (ending in "/"). Returns false when
// one could not be written; the handset then shows its built-in copy.
bool InstallProgramPictures(const std::string& Dir);
