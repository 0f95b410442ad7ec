#include "common/program_files.h"

#include "common/bounded_format.h"

size_t ProgramFileCount(WindowsFamily family)
{
    return family == WindowsFamily::Nt ? 3 : 2;
}

bool FormatTargetPath(const char* folder, const ProgramFile& file, char (&path)[DirectorySize])
{
    if (folder[0] == '\0') {
        path[0] = '\0';
        return false;
    }
    return FormatWhole(path, sizeof path, "%s\\%s", folder, file.target);
}
