// The pictures that come with the program: "general.bmp" (shown for a disc without a picture) and
// "sandblst.bmp" (the default handset background), written into the data folder when missing.
#pragma once

#include <QImage>
#include <string>

// Writes each missing picture from the program's resources into Dir (ending in "/"). Returns false when
// one could not be written; the handset then shows its built-in copy.
bool InstallProgramPictures(const std::string& Dir);

// The picture in the file Name; a null image when Name is no regular file or holds no picture this
// program can read.
QImage LoadPictureFile(const std::string& Name);
