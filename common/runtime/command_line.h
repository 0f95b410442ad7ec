// What a window program's WinMain receives of its command line.
#pragma once

// The arguments after the program name: a name in quotes ends at the closing
// quote, any other at the first blank; the blanks after it are skipped.
const char* ArgumentsAfterProgramName(const char* commandLine);
