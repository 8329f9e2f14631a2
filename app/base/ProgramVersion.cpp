#include "app/base/ProgramVersion.h"

const char* ProgramVersion() {
    return ORBELUNE_VERSION;
}

const char* ProgramHomepage() {
    return ORBELUNE_HOMEPAGE;
}
