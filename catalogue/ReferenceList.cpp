#include "catalogue/ReferenceList.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "app/base/Settings.h"
#include "app/base/TextEncoding.h"

namespace {

constexpr TReferenceListInfo Lists[] = {
    {'C', "composer.fle", "Composers", "Known composers", "Composer's name", 100, 100},
    {'A', "artist.fle", "Artists", "Known artists", "Artists's name", 100, 100},
    {'L', "label.fle", "Record labels", "Known record labels", "Record label's name", 50, 50},
    {'T', "type.fle", "Music types", "Known music types", "Music type's name", 50, 30},
};

constexpr std::size_t MaxLineCharacters = 255;

int CompareNoCase(const std::string& A, const std::string& B) {
    return QString::fromStdString(A).compare(QString::fromStdString(B), Qt::CaseInsensitive);
}

} // namespace

const TReferenceListInfo* ReferenceListInfo(char Letter) {
    for (const auto& info : Lists)
        if (info.Letter == Letter) return &info;
    return nullptr;
}

std::string ReferenceListPath(const TReferenceListInfo& Info) {
    return ProgramDir() + Info.FileName;
}

TReferenceListRead ReadReferenceList(const std::string& FileName) {
    TReferenceListRead result;
    std::ifstream in(FileName, std::ios::binary);
    if (!in) {
        std::ofstream create(FileName, std::ios::binary | std::ios::app);
        result.Ok = static_cast<bool>(create);
        return result;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.Names.push_back(CutToCharacters(DecodeStoredText(line), MaxLineCharacters));
    }
    return result;
}

bool WriteReferenceList(const std::string& FileName, const std::vector<std::string>& Names) {
    const std::string temporary = FileName + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& name : Names)
            out << name << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), FileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool ReferenceNameLess(const std::string& A, const std::string& B) {
    return CompareNoCase(A, B) < 0;
}

void InsertReferenceName(std::vector<std::string>& Names, const std::string& Name) {
    const auto place = std::upper_bound(Names.begin(), Names.end(), Name, ReferenceNameLess);
    Names.insert(place, Name);
}

bool ContainsReferenceName(const std::vector<std::string>& Names, const std::string& Name) {
    return std::any_of(Names.begin(), Names.end(),
                       [&](const std::string& N) { return CompareNoCase(N, Name) == 0; });
}
