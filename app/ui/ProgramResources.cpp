#include "app/ui/ProgramResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterResources() {
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(help);
}

void InitProgramResources() {
    static const bool Registered = (RegisterResources(), true);
    (void)Registered;
}
