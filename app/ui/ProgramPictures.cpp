#include "app/ui/ProgramPictures.h"

#include <QFile>
#include <QFileInfo>

#include "app/ui/ProgramResources.h"

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
