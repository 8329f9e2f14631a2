#include "catalogue/LookupStore.h"

#include <QTemporaryFile>

#include "app/base/Settings.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscEdit.h"
#include "catalogue/ReferenceList.h"
#include "devices/MessageBoxes.h"

std::vector<std::string> AddLookupReferences(const std::string& DataDir, const TDiscTexts& Texts) {
    std::vector<std::string> Failed;
    const std::pair<char, const std::string*> Fields[] = {
        {'C', &Texts.Composer}, {'A', &Texts.Artist}, {'L', &Texts.RecordLabel}};
    for (const auto& [Letter, Text] : Fields) {
        const TReferenceListInfo* Info = ReferenceListInfo(Letter);
        const std::string File = DataDir + Info->FileName;
        std::vector<std::string> Names = ReadReferenceList(File).Names;
        if (!AddNewReferenceEntry(Names, *Text, File)) Failed.push_back(Info->Caption);
    }
    return Failed;
}

bool StoreLookupMatch(TDiscEdit& Edit, const TLookupMatch& Match, const TLookupDetails& Details,
                      const TPlayerSettings& Settings, std::string& Note) {
    TLookupFill Fill;
    TDiscTexts Texts = TextsOf(Edit.EditRecord);
    TakeLookupMatch(Match, Texts, Edit.Tracks, Edit.TrackCount(), Fill);
    TakeLookupComposer(Details.Composer, Texts.Composer, Fill);
    const std::string DataDir = Edit.Catalogue().DataDir();
    Note.clear();
    if (!Details.Cover.isEmpty()) {
        QTemporaryFile File(QString::fromStdString(DataDir + "cover-XXXXXX"));
        if (File.open() && File.write(Details.Cover) == Details.Cover.size() && File.flush()) {
            File.close();
            Note = Edit.StorePicture(File.fileName().toStdString()) ? " with its cover"
                                                                    : " (the cover was not stored)";
        } else {
            Note = " (the cover cannot be kept in " + DataDir + ")";
        }
    }
    if (!Details.Note.empty()) {
        std::string Said = Details.Note;
        while (!Said.empty() && Said.back() == '.')
            Said.pop_back();
        Note += " (" + Said + ")";
    }
    if (!Edit.Finish(true, Texts)) return false;
    if (Settings.SaveNewEntries && !Edit.Catalogue().ReadOnly()) {
        const std::vector<std::string> Failed = AddLookupReferences(DataDir, Texts);
        if (!Failed.empty()) ShowError(CannotSaveListsMessage(Failed));
    }
    return true;
}
