#include <windows.h>

#include "unplant/uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    return RunUninstaller(commandLine);
}
