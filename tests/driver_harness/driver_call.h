// Calls a routine of a mapped driver the way the kernel does: stdcall, on a
// stack the size of an NT 4.0 kernel thread's (12 KB) with nothing mapped
// below it. A fault in the driver (an access it may not make, a stack
// overflow, an instruction user mode may not run) is caught and described
// instead of ending the harness; so is a routine that removes the wrong
// number of argument bytes or does not keep ebx, esi, edi and ebp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "tests/driver_harness/driver_image.h"

void InstallFaultCatcher();

// False, with what went wrong in failure, when the call did not return as
// the kernel expects.
bool CallDriver(const DriverImage& image, const void* routine, std::initializer_list<uint32_t> arguments,
                uint32_t& result, char* failure, size_t failureSize);
