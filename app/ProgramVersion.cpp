#include "app/ProgramVersion.h"

const char* ProgramVersion() {
    return ORBELUNE_VERSION;
}
