// The program's own version, from the build; no library is needed to tell it.
#pragma once

const char* ProgramVersion();
