#include "setup/install_plan.h"

#include "common/bounded_format.h"

namespace {

constexpr char WelcomeIntro[] =
    "Welcome to QX7305 Thermivo Install program.\n"
    "To install Thermivo on your computer now, click Install.\n"
    "To exit without install Thermivo, click Exit.\n";

}  // namespace

bool FormatWelcomeText(WindowsFamily family, const char* windowsDirectory, const char* systemDirectory,
                       char (&text)[WelcomeTextSize])
{
    if (family == WindowsFamily::Nt) {
        return FormatWhole(text, sizeof text,
                           "%sYour Platform is Window NT/2000,\n"
                           "this program will copy 3 files to your HD \n"
                           "1. \"Kelvimon.exe\" to %s directory. \n"
                           "2. \"HwPio.sys\" to %s\\drivers directory.\n"
                           "3. \"_Unplant.exe\" to %s directory. \n",
                           WelcomeIntro, windowsDirectory, systemDirectory, windowsDirectory);
    }
    return FormatWhole(text, sizeof text,
                       "%sYour Platform is Window 95/98,\n"
                       "this program will copy 2 files to your HD \n"
                       "1. \"Kelvimon.exe\" to %s directory. \n"
                       "2. \"_Unplant.exe\" to %s directory. \n",
                       WelcomeIntro, windowsDirectory, windowsDirectory);
}

bool FormatCopyLine(const char* source, const char* target, char (&line)[CopyLineSize])
{
    return FormatWhole(line, sizeof line, "Copy %s to %s ", source, target);
}

uint32_t ProgressPercent(uint64_t copied, uint64_t size)
{
    if (copied >= size) return 100;
    return static_cast<uint32_t>(copied * 100 / size);
}
