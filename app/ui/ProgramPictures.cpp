#include "app/ui/ProgramPictures.h"

#include <QFile>
#include <QFileInfo>

#include "app/base/RegularFile.h"
#include "app/ui/ProgramResources.h"

namespace {

// Far above any picture a handset shows; a bigger file is not read into memory.
constexpr std::size_t MaxPictureBytes = 256u << 20;

} // namespace

bool InstallProgramPictures(const std::string& Dir) {
    InitProgramResources();
    bool AllWritten = true;
    for (const char* Name : {"general.bmp", "sandblst.bmp"}) {
        const QString Target = QString::fromStdString(Dir) + QString::fromLatin1(Name);
        if (QFileInfo::exists(Target)) continue;
        if (!QFile::copy(QStringLiteral(":/") + QString::fromLatin1(Name), Target)) {
            AllWritten = false;
            continue;
        }
        // Resource copies are read-only; the user may replace the picture.
        QFile::setPermissions(Target,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return AllWritten;
}

QImage LoadPictureFile(const std::string& Name) {
    std::string bytes;
    if (!ReadRegularFile(Name, bytes, MaxPictureBytes)) return {};
    QImage picture;
    picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    return picture;
}
