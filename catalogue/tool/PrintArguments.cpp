#include "catalogue/tool/PrintArguments.h"

// PrintUsage is defined with the tool's other usage texts, in CatalogueShow.cpp.

std::string ParsePrintArguments(const std::vector<std::string>& Args, TPrintArguments& A) {
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& arg = Args[i];
        const bool takesValue = arg == "--pdf" || arg == "--by" || arg == "--disc" || arg == "--page-size" ||
                                arg == "--name" || arg == "--ref" || arg == "--track";
        if (takesValue && i + 1 >= Args.size()) return "print: " + arg + " needs a value";
        if (arg == "--pdf") {
            A.Pdf = Args[++i];
        } else if (arg == "--by") {
            A.Order = Args[++i];
            A.HasOrder = true;
            if (CatalogueOrderKey(A.Order) == 0)
                return "unknown order '" + A.Order + "' (name, composer, artist, label or type)";
        } else if (arg == "--disc") {
            A.Disc = Args[++i];
        } else if (arg == "--name" || arg == "--ref" || arg == "--track") {
            std::string& text = arg == "--name"  ? A.Filter.Name
                                : arg == "--ref" ? A.Filter.Reference
                                                 : A.Filter.Track;
            text = FilterUpper(Args[++i]);
            A.Filter.Apply = true;
        } else if (arg == "--user-fields") {
            A.UserFields = true;
        } else if (arg == "--page-size") {
            const std::string size = Args[++i];
            if (size == "A4" || size == "a4")
                A.PageSize = TPrintPageSize::A4;
            else if (size == "Letter" || size == "letter")
                A.PageSize = TPrintPageSize::Letter;
            else
                return "print: unknown page size '" + size + "' (A4 or Letter)";
        } else {
            return "print: unknown argument '" + arg + "'";
        }
    }
    if (A.Pdf.empty()) return "print needs --pdf FILE";
    if (!A.Disc.empty() && (A.HasOrder || A.Filter.Apply))
        return "print: --by and the filter are for the catalogue listing, not with --disc";
    if (A.Disc.empty() && A.UserFields) return "print: --user-fields goes with --disc";
    return {};
}

std::string PrintArgumentsError(const std::vector<std::string>& Args) {
    TPrintArguments a;
    return ParsePrintArguments(Args, a);
}
