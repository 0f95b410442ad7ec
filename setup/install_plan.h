// The texts the installer shows while it puts the program files in place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/program_files.h"

constexpr size_t WelcomeTextSize = 1536;  // room for three directories of 259 characters

// The text that names the files and the folders they go to for the family.
bool FormatWelcomeText(WindowsFamily family, const char* windowsDirectory, const char* systemDirectory,
                       char (&text)[WelcomeTextSize]);

constexpr size_t CopyLineSize = 2 * DirectorySize + 16;

// "Copy <source> to <target> ", shown while the file is copied.
bool FormatCopyLine(const char* source, const char* target, char (&line)[CopyLineSize]);

// How much of a file has been copied, 0..100, exact for files of any size.
uint32_t ProgressPercent(uint64_t copied, uint64_t size);
