// hwpio_probe: the manual test of the port driver on a real NT machine (see
// the README). Opens \\.\hwpio exactly as the monitor does and prints the
// result, then reads each port given in hex on the command line; "wait"
// waits for Enter. A port the process may not use ends it with an exception,
// which is printed.
//   hwpio_probe 295 2e 80
//   hwpio_probe 295 wait 295      (stop the driver while it waits)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "monitor/hw/port_access.h"
#include "monitor/hw/port_io.h"

namespace {

uint16_t probedPort;

LONG WINAPI ReportClosedPort(EXCEPTION_POINTERS* exception)
{
    std::printf("port 0x%X: closed (exception 0x%lX)\n", probedPort,
                static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
    std::fflush(stdout);
    ExitProcess(2);
}

}  // namespace

int main(int argc, char** argv)
{
    const uint32_t openResult = OpenPortDevice();
    if (openResult == 0)
        std::printf("open \\\\.\\hwpio: granted\n");
    else
        std::printf("open \\\\.\\hwpio: error %lu\n", static_cast<unsigned long>(openResult));
    std::fflush(stdout);
    SetUnhandledExceptionFilter(ReportClosedPort);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "wait") == 0) {
            std::printf("press Enter to go on\n");
            std::getchar();
            continue;
        }
        probedPort = static_cast<uint16_t>(std::strtoul(argv[i], nullptr, 16));
        const uint8_t value = PortIn8(probedPort);
        std::printf("port 0x%X: open (read 0x%02X)\n", probedPort, value);
        std::fflush(stdout);
    }
    return openResult == 0 ? 0 : 1;
}
