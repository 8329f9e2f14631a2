#include "catalogue/tool/LibraryCommand.h"

#include "catalogue/tool/LookupCommand.h"
#include "catalogue/tool/PrintCommand.h"
#include "catalogue/tool/TransferCommands.h"

int RunLibraryCommand(const std::string& DataDir, const std::vector<std::string>& Args, std::ostream& Out,
                      std::ostream& Err) {
    if (IsTransferCommand(Args[0])) return RunTransferCommand(DataDir, Args, Out, Err);
    if (IsLookupCommand(Args[0])) return RunLookupCommand(DataDir, Args, Out, Err);
    return RunPrintCommand(DataDir, Args, Out, Err);
}
