#include <windows.h>
#include <ddeml.h>

#include "setup/installer.h"
#include "setup/program_entries.h"

namespace {

constexpr DWORD CommandTimeoutMs = 3000;

DWORD ddeInstance = 0;

HDDEDATA CALLBACK IgnoreDdeTransaction(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

}  // namespace

// Asks the shell's Program Manager service for the group. Nothing is
// reported: without an answering shell each command fails at once or after
// its time-out, and the installation goes on.
void CreateProgramGroup()
{
    ProgramGroupCommands commands;
    if (!FormatProgramGroupCommands(installer.windowsDirectory, commands)) return;
    if (DdeInitializeA(&ddeInstance, IgnoreDdeTransaction, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return;

    HSZ service = DdeCreateStringHandleA(ddeInstance, "Progman", 0);
    HSZ topic = DdeCreateStringHandleA(ddeInstance, "Progman", 0);
    HCONV conversation = DdeConnect(ddeInstance, service, topic, nullptr);
    for (char* command : commands.text) {
        DdeClientTransaction(reinterpret_cast<BYTE*>(command), static_cast<DWORD>(lstrlenA(command) + 1),
                             conversation, nullptr, 0, XTYP_EXECUTE, CommandTimeoutMs, nullptr);
    }
    if (conversation) DdeDisconnect(conversation);
    DdeFreeStringHandle(ddeInstance, topic);
    DdeFreeStringHandle(ddeInstance, service);
    DdeUninitialize(ddeInstance);
    ddeInstance = 0;
}
