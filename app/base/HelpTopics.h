// The program's help: one page per help context number, and the context of each window. Windows are
// known by their object name, so the table here is the only place where a window meets its topic.
#pragma once

#include <string>
#include <string_view>
#include <vector>

constexpr int hcContents = 1012;
constexpr int hcHandset = 1051;
// The about box's own page (the fit-tracks window keeps 1025).
constexpr int hcAbout = 1026;

struct THelpTopic {
    int Context;
    const char* Page; // file name under the help pages' folder
    const char* Title;
};

// Every topic, contents first.
const std::vector<THelpTopic>& HelpTopics();

// The topic of a context number, or nullptr for a number that has none.
const THelpTopic* FindHelpTopic(int Context);

struct THelpPlace {
    int Context = 0; // 0: the window has no topic of its own
    std::string Anchor;
};

// Where the window with this object name is explained.
THelpPlace HelpPlaceOfWindow(std::string_view ObjectName);
