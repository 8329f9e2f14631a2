// The compiled-in resources (glyphs, cursor, pictures, help pages) live in a static library, so they are
// registered explicitly before the first use.
#pragma once

void InitProgramResources();
