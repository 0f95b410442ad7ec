#include "tests/driver_harness/driver_image.h"

#include <sys/mman.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t PageSize = 4096;
constexpr uint32_t LargestImage = 16u << 20;

struct Mapper {
    const uint8_t* file;
    size_t fileSize;
    DriverImage& image;
    ImportResolver resolve;
    char* error;
    size_t errorSize;

    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        vsnprintf(error, errorSize, format, args);
        va_end(args);
        return false;
    }

    bool InFile(size_t offset, size_t length) const { return offset <= fileSize && length <= fileSize - offset; }
    bool InImage(uint32_t rva, uint32_t length) const { return rva <= image.size && length <= image.size - rva; }
    uint32_t File32(size_t offset) const
    {
        uint32_t value;
        memcpy(&value, file + offset, 4);
        return value;
    }
    uint16_t File16(size_t offset) const { return static_cast<uint16_t>(file[offset] | file[offset + 1] << 8); }
    uint32_t Image32(uint32_t rva) const
    {
        uint32_t value;
        memcpy(&value, image.base + rva, 4);
        return value;
    }
    // A terminated name inside the image, or null.
    const char* ImageName(uint32_t rva) const
    {
        if (!InImage(rva, 1)) return nullptr;
        const char* name = reinterpret_cast<const char*>(image.base + rva);
        return memchr(name, 0, image.size - rva) ? name : nullptr;
    }

    bool Map();
    bool CopySections(size_t sectionTable, int count);
    bool Relocate(uint32_t rva, uint32_t size);
    bool BindImports(uint32_t rva, uint32_t size);
    void Protect(size_t sectionTable, int count);
};

bool Mapper::Map()
{
    if (fileSize < 0x40 || file[0] != 'M' || file[1] != 'Z') return Fail("has no MZ header (%zu bytes)", fileSize);
    const uint32_t pe = File32(0x3C);
    if (!InFile(pe, 24 + 96 + 16 * 8)) return Fail("its PE header at 0x%X lies beyond the end of the file", pe);
    if (memcmp(file + pe, "PE\0\0", 4) != 0) return Fail("has no PE signature at 0x%X", pe);
    if (File16(pe + 4) != 0x14C) return Fail("is not an i386 image (machine 0x%04X)", File16(pe + 4));
    const int sectionCount = File16(pe + 6);
    const size_t optional = pe + 24, sectionTable = optional + File16(pe + 20);
    if (File16(optional) != 0x10B || File16(pe + 20) < 96 + 16 * 8) return Fail("has no 32-bit optional header");
    image.entryPoint = File32(optional + 16);
    image.preferredBase = File32(optional + 28);
    const uint32_t alignment = File32(optional + 32), headers = File32(optional + 60);
    image.size = File32(optional + 56);
    if (alignment % PageSize != 0) return Fail("has sections aligned to 0x%X, not to pages", alignment);
    if (image.size == 0 || image.size > LargestImage || image.size % PageSize != 0)
        return Fail("has an image size of 0x%X bytes", image.size);
    if (!InFile(sectionTable, 40u * sectionCount) || headers > image.size || !InFile(0, headers) ||
        sectionTable + 40u * sectionCount > headers)
        return Fail("its %d section headers lie beyond its headers or the file", sectionCount);

    // Anywhere but the preferred base, so that every relocation matters.
    void* base = mmap(nullptr, image.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base != MAP_FAILED && reinterpret_cast<uintptr_t>(base) == image.preferredBase) {
        void* other = mmap(nullptr, image.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        munmap(base, image.size);
        base = other;
    }
    if (base == MAP_FAILED) return Fail("cannot be given %u bytes of memory", image.size);
    image.base = static_cast<uint8_t*>(base);
    memcpy(image.base, file, headers);

    const size_t directories = optional + 96;
    if (!CopySections(sectionTable, sectionCount) ||
        !Relocate(File32(directories + 5 * 8), File32(directories + 5 * 8 + 4)) ||
        !BindImports(File32(directories + 1 * 8), File32(directories + 1 * 8 + 4)))
        return false;
    Protect(sectionTable, sectionCount);
    return true;
}

bool Mapper::CopySections(size_t sectionTable, int count)
{
    bool entryInCode = false;
    for (int i = 0; i < count; ++i) {
        const size_t header = sectionTable + 40u * i;
        char name[9] = {};
        memcpy(name, file + header, 8);
        const uint32_t virtualSize = File32(header + 8), rva = File32(header + 12);
        const uint32_t rawSize = File32(header + 16), rawOffset = File32(header + 20);
        const uint32_t flags = File32(header + 36);
        const uint32_t length = virtualSize ? virtualSize : rawSize;
        if (rva < PageSize || !InImage(rva, length)) return Fail("section %s lies outside the image", name);
        const uint32_t copied = rawSize < length ? rawSize : length;
        if (!InFile(rawOffset, copied))
            return Fail("section %s's data lies beyond the end of the file (%zu bytes)", name, fileSize);
        memcpy(image.base + rva, file + rawOffset, copied);
        entryInCode |= (flags & 0x20000000) && image.entryPoint >= rva && image.entryPoint - rva < length;
    }
    if (!entryInCode) return Fail("its entry point 0x%X is not in its code", image.entryPoint);
    return true;
}

bool Mapper::Relocate(uint32_t rva, uint32_t size)
{
    if (size == 0) return Fail("has no base relocations: it can run only at 0x%08X", image.preferredBase);
    if (!InImage(rva, size)) return Fail("its relocation table lies outside the image");
    const uint32_t delta = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.base)) - image.preferredBase;
    for (uint32_t block = rva; block + 8 <= rva + size;) {
        const uint32_t page = Image32(block), blockSize = Image32(block + 4);
        if (blockSize < 8 || blockSize > rva + size - block) return Fail("has a malformed relocation block");
        for (uint32_t entry = block + 8; entry + 2 <= block + blockSize; entry += 2) {
            const uint16_t value = static_cast<uint16_t>(image.base[entry] | image.base[entry + 1] << 8);
            const uint32_t target = page + (value & 0xFFF), type = value >> 12;
            if (type == 0) continue;  // padding
            if (type != 3) return Fail("has a relocation of type %u, which no i386 image holds", type);
            if (!InImage(target, 4)) return Fail("has a relocation at 0x%X, outside the image", target);
            const uint32_t patched = Image32(target) + delta;
            memcpy(image.base + target, &patched, 4);
        }
        block += blockSize;
    }
    return true;
}

bool Mapper::BindImports(uint32_t rva, uint32_t size)
{
    if (size == 0) return true;
    for (uint32_t descriptor = rva;; descriptor += 20) {
        if (!InImage(descriptor, 20)) return Fail("its import table lies outside the image");
        const uint32_t lookup = Image32(descriptor), nameRva = Image32(descriptor + 12);
        const uint32_t bound = Image32(descriptor + 16);
        if (nameRva == 0 && bound == 0) return true;
        const char* module = ImageName(nameRva);
        if (!module) return Fail("names an imported module outside the image");
        for (uint32_t i = 0;; ++i) {
            const uint32_t thunk = (lookup ? lookup : bound) + 4 * i;
            if (!InImage(thunk, 4) || !InImage(bound + 4 * i, 4))
                return Fail("its imports from %s run out of the image", module);
            const uint32_t entry = Image32(thunk);
            if (entry == 0) break;
            if (entry & 0x80000000)
                return Fail("imports ordinal %u from %s; the kernel binds by name", entry & 0xFFFF, module);
            const char* function = ImageName(entry + 2);
            if (!function) return Fail("names an import from %s outside the image", module);
            void* address = resolve(module, function);
            if (!address) return Fail("imports %s!%s, which this kernel does not provide", module, function);
            const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address));
            memcpy(image.base + bound + 4 * i, &value, 4);
        }
    }
}

void Mapper::Protect(size_t sectionTable, int count)
{
    mprotect(image.base, image.size, PROT_READ);
    for (int i = 0; i < count; ++i) {
        const size_t header = sectionTable + 40u * i;
        const uint32_t rva = File32(header + 12), flags = File32(header + 36);
        const uint32_t length = File32(header + 8) ? File32(header + 8) : File32(header + 16);
        const int protection = PROT_READ | (flags & 0x80000000 ? PROT_WRITE : 0) | (flags & 0x20000000 ? PROT_EXEC : 0);
        mprotect(image.base + rva, (length + PageSize - 1) / PageSize * PageSize, protection);
    }
}

}  // namespace

bool MapDriverImage(const uint8_t* file, size_t fileSize, ImportResolver resolve, DriverImage& image, char* error,
                    size_t errorSize)
{
    image = DriverImage{};
    Mapper mapper{file, fileSize, image, resolve, error, errorSize};
    error[0] = 0;
    if (mapper.Map()) return true;
    UnmapDriverImage(image);
    return false;
}

void UnmapDriverImage(DriverImage& image)
{
    if (image.base) munmap(image.base, image.size);
    image = DriverImage{};
}
