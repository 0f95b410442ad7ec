// Maps a driver file into the harness as the NT kernel's loader maps it:
// headers and sections at their offsets in a block of SizeOfImage bytes at
// an address other than the preferred one, base relocations applied,
// imports bound by name, each section then protected as its flags say (code
// not writable, data not executable).
#pragma once

#include <cstddef>
#include <cstdint>

struct DriverImage {
    uint8_t* base = nullptr;
    uint32_t size = 0;  // SizeOfImage
    uint32_t preferredBase = 0;
    uint32_t entryPoint = 0;  // relative to base
};

// Returns the address to bind an import to, or null when there is none.
using ImportResolver = void* (*)(const char* module, const char* function);

// False, with the reason in error and nothing left mapped, when the file is
// not an i386 image this loader can place: truncated, bad headers, a section
// or relocation outside the image, an import the resolver does not know.
bool MapDriverImage(const uint8_t* file, size_t fileSize, ImportResolver resolve, DriverImage& image, char* error,
                    size_t errorSize);
void UnmapDriverImage(DriverImage& image);
