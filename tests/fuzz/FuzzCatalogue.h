// The catalogue fuzz targets' common ground: a message sink that shows nothing, the one-time start of the
// record engine with that sink, and the check that ends a run when the catalogue is left unsound.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue/DiscCatalogueCheck.h"
#include "catalogue/store/RecordEngine.h"
#include "devices/MessageBoxes.h"

// Shows nothing; answers Yes (files are created, damage is repaired) while Yes is set, else No.
class TQuietSink : public TMessageSink {
public:
    bool Yes = true;
    void Information(const std::string&) override {}
    int Confirm(const std::string&) override { return Yes ? idYes : idNo; }
    int Run(const std::string&, const std::string&, const std::string&, int) override { return 0; }
};

// The sink, installed with the record engine started on the first call.
inline TQuietSink& StartCatalogueFuzzing() {
    static TQuietSink Sink;
    static const bool Started = [] {
        SetMessageSink(&Sink);
        InitRecordEngine(MinPageBuffers);
        return true;
    }();
    (void)Started;
    return Sink;
}

// Aborts, naming each problem after Prefix, when the catalogue in Folder fails its check.
inline void AbortUnlessSound(const std::string& Folder, const char* Prefix) {
    const TCatalogueCheck Check = CheckDiscCatalogue(Folder);
    if (Check.Ok) return;
    for (const std::string& Problem : Check.Problems)
        std::fprintf(stderr, "%s%s\n", Prefix, Problem.c_str());
    std::abort();
}
