// The start-up the programs rely on, without a C runtime: the x87 unit's
// state and the constructors of static objects.
#include "common/runtime/program_start.h"

#include <cstddef>

// The linker frames the constructors of every object file with a -1 before
// and a 0 after them.
typedef void (*Constructor)();
extern "C" Constructor __CTOR_LIST__[];

void StartProgramRuntime()
{
#if defined(__i386__)
    // Full 64-bit precision, every exception masked: what the readings'
    // scalings in double were written against, whatever the loader left.
    __asm__ volatile("fninit");
#endif
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    // Last first, as the compiler expects of this list.
    for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();
}
