#include <windows.h>

#include "setup/installer.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunInstaller(instance);
}
