// Whether the data folder can take the program's files, and what the user is told when it cannot.
#pragma once

#include <string>

// True when a file can be created in Dir (the folder is made when missing); tried, not guessed from the
// permission bits, so read-only mounts and full discs count too.
bool DataFolderWritable(const std::string& Dir);

// "The data folder ... cannot be written ...": the one message of a start in such a folder.
std::string DataFolderReadOnlyMessage(const std::string& Dir);

// "The data folder ... cannot be written.": what an action that would save there is told first.
std::string DataFolderNotWrittenMessage(const std::string& Dir);
