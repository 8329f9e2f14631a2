#include "app/base/HelpTopics.h"

#include <algorithm>

namespace {

struct TWindowTopic {
    std::string_view Window;
    int Context;
    const char* Anchor;
};

constexpr TWindowTopic WindowTopics[] = {
    {"ORB", 1051, ""},
    {"frmSmall", 1052, ""},
    {"AboutBox", hcAbout, ""},
    {"frmMode", 1007, ""},
    {"frmTracks", 1007, "goto"},
    {"frmProgramme", 1014, ""},
    {"frmFit", 1025, ""},
    {"frmconf", 1011, ""},
    {"frmCDData", 1022, ""},
    {"frmLookupChooser", 1060, "chooser"},
    {"frmSTrack", 1020, ""},
    {"frmEdTr", 1054, ""},
    {"frmBitmap", 1005, ""},
    {"frmLists", 1045, ""},
    {"frmItem", 1045, "item"},
    {"frmCat", 1056, ""},
    {"frmSelectPlay", 1038, ""},
    {"frmCD", 1050, ""},
    {"frmRecord", 1043, ""},
    {"frmAdjust", 1043, "adjust"},
    {"frmExport", 1024, ""},
    {"frmImport", 1028, ""},
    {"HelpWindow", 1012, ""},
};

} // namespace

const std::vector<THelpTopic>& HelpTopics() {
    static const std::vector<THelpTopic> Topics = {
        {1012, "contents.html", "Contents"},
        {1051, "handset.html", "The handset"},
        {1052, "small.html", "The small handset"},
        {1007, "mode.html", "Play mode and Goto track"},
        {1014, "programme.html", "Custom programme"},
        {1025, "fit.html", "Fit tracks to time"},
        {hcAbout, "about.html", "About Orbelune"},
        {1011, "settings.html", "System settings"},
        {1022, "editor.html", "Edit CD data record"},
        {1060, "lookup.html", "Looking up a disc"},
        {1020, "track.html", "Track information"},
        {1054, "trackgrid.html", "Track details grid"},
        {1005, "picture.html", "CD picture"},
        {1045, "lists.html", "Reference lists"},
        {1056, "catalogue.html", "CD catalogue"},
        {1038, "sampleplayer.html", "Play wave file"},
        {1050, "drive.html", "Select CD drive"},
        {1043, "recording.html", "Recording a sample, and the bookmark"},
        {1024, "export.html", "Export CD database"},
        {1028, "import.html", "Import CD database"},
    };
    return Topics;
}

const THelpTopic* FindHelpTopic(int Context) {
    const auto& Topics = HelpTopics();
    const auto Found = std::find_if(Topics.begin(), Topics.end(),
                                    [Context](const THelpTopic& T) { return T.Context == Context; });
    return Found == Topics.end() ? nullptr : &*Found;
}

THelpPlace HelpPlaceOfWindow(std::string_view ObjectName) {
    for (const TWindowTopic& W : WindowTopics) {
        if (W.Window == ObjectName) return {W.Context, W.Anchor};
    }
    return {};
}
