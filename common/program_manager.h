// Program Manager's DDE service "Progman", through which the installer
// creates the program group and the uninstaller removes it.
#pragma once

#include <cstddef>

// Sends the command strings in order over one conversation, each waiting at
// most 3 s for the shell. False when no shell answers the service (each
// command has then been tried and failed); the commands' own results are not
// examined.
bool SendProgramManagerCommands(const char* const* commands, size_t count);
