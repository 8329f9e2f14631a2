// orbelune-cat print: the catalogue listing or one disc's listing into a PDF file, with the same layout
// as the catalogue browser prints, without a screen.
//
//   print --pdf FILE [--by name|composer|artist|label|type] [--name TEXT] [--ref TEXT] [--track TEXT]
//         [--page-size A4|Letter]
//   print --pdf FILE --disc CODE [--user-fields] [--page-size A4|Letter]
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Prints from the catalogue in DataDir (ending in "/"); returns the exit status (0, or 1 on failure).
int RunPrintCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                    std::ostream& Err);
