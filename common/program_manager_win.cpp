#include <windows.h>
#include <ddeml.h>

#include "common/program_manager.h"

namespace {

constexpr DWORD CommandTimeoutMs = 3000;

DWORD ddeInstance = 0;

HDDEDATA CALLBACK IgnoreDdeTransaction(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

}  // namespace

bool SendProgramManagerCommands(const char* const* commands, size_t count)
{
    if (DdeInitializeA(&ddeInstance, IgnoreDdeTransaction, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return false;

    HSZ service = DdeCreateStringHandleA(ddeInstance, "Progman", 0);
    HSZ topic = DdeCreateStringHandleA(ddeInstance, "Progman", 0);
    HCONV conversation = DdeConnect(ddeInstance, service, topic, nullptr);
    for (size_t i = 0; i < count; ++i) {
        // The library only reads the data of an execute transaction.
        char* command = const_cast<char*>(commands[i]);
        DdeClientTransaction(reinterpret_cast<BYTE*>(command), static_cast<DWORD>(lstrlenA(command) + 1),
                             conversation, nullptr, 0, XTYP_EXECUTE, CommandTimeoutMs, nullptr);
    }
    if (conversation) DdeDisconnect(conversation);
    DdeFreeStringHandle(ddeInstance, topic);
    DdeFreeStringHandle(ddeInstance, service);
    DdeUninitialize(ddeInstance);
    ddeInstance = 0;
    return conversation != nullptr;
}
