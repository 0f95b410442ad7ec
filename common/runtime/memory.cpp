// The memory and string functions the programs call and the compiler emits
// calls to on its own (structure copies and clears). Built with
// -fno-builtin, so that these loops are not turned back into calls to
// themselves.
#include <cstddef>

// The unit tests build them under names of their own, to compare them with
// the host's C library.
#ifdef KELVI_RUNTIME_MEMORY_RENAMED
#define memcpy RuntimeMemcpy
#define memmove RuntimeMemmove
#define memset RuntimeMemset
#define memcmp RuntimeMemcmp
#define memchr RuntimeMemchr
#define strlen RuntimeStrlen
#define strncmp RuntimeStrncmp
#define strcmp RuntimeStrcmp
#define strchr RuntimeStrchr
#define strrchr RuntimeStrrchr
#endif

extern "C" {

void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    while (count--) *d++ = *s++;
    return destination;
}

void* memmove(void* destination, const void* source, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    if (d < s) {
        while (count--) *d++ = *s++;
    } else {
        while (count--) d[count] = s[count];
    }
    return destination;
}

void* memset(void* destination, int value, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (count--) *d++ = static_cast<unsigned char>(value);
    return destination;
}

int memcmp(const void* first, const void* second, size_t count)
{
    const unsigned char* a = static_cast<const unsigned char*>(first);
    const unsigned char* b = static_cast<const unsigned char*>(second);
    for (; count--; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* block, int value, size_t count)
{
    const unsigned char* b = static_cast<const unsigned char*>(block);
    for (; count--; ++b) {
        if (*b == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(b);
    }
    return nullptr;
}

size_t strlen(const char* text)
{
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

int strncmp(const char* first, const char* second, size_t count)
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
    for (; count--; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
        if (!*a) return 0;
    }
    return 0;
}

int strcmp(const char* first, const char* second)
{
    return strncmp(first, second, static_cast<size_t>(-1));
}

char* strchr(const char* text, int c)
{
    for (;; ++text) {
        if (*text == static_cast<char>(c)) return const_cast<char*>(text);
        if (!*text) return nullptr;
    }
}

char* strrchr(const char* text, int c)
{
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c)) found = text;
        if (!*text) return const_cast<char*>(found);
    }
}

}  // extern "C"
