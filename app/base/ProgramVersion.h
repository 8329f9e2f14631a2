// The program's own version and home page, from the build; no library is needed to tell them.
#pragma once

const char* ProgramVersion();

// The project's home page: the default contact the lookup services are given.
const char* ProgramHomepage();
