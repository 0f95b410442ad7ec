#include <windows.h>
#include <commctrl.h>

#include "setup/installer.h"

namespace {

constexpr DWORD ChunkSize = 4096;

bool WriteWhole(HANDLE target, const char* data, DWORD count)
{
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(target, data, count, &written, nullptr) || written == 0) return false;
        data += written;
        count -= written;
    }
    return true;
}

// Copies from the start of both files, moving the progress bar after every
// chunk; the end of the file may also come as a failed read.
bool CopyContents(HANDLE source, HANDLE target, uint64_t size, HWND progressBar)
{
    char chunk[ChunkSize];
    uint64_t copied = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, chunk, ChunkSize, &read, nullptr)) {
            if (GetLastError() != ERROR_HANDLE_EOF) return false;
            read = 0;
        }
        if (read == 0) return true;
        copied += read;
        if (!WriteWhole(target, chunk, read)) return false;
        SendMessageA(progressBar, PBM_SETPOS, static_cast<WORD>(ProgressPercent(copied, size)), 0);
    }
}

bool SourceSize(HANDLE source, uint64_t* size)
{
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(source, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    *size = (static_cast<uint64_t>(high) << 32) | low;
    return true;
}

HANDLE OpenForCopy(const char* path, DWORD access, DWORD disposition)
{
    return CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int CopyFileWithProgress(HWND progressBar, HWND textControl, const char* source, const char* target)
{
    char line[CopyLineSize];
    FormatCopyLine(source, target, line);
    SendMessageA(textControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line));

    HANDLE from = OpenForCopy(source, GENERIC_READ, OPEN_EXISTING);
    if (from == INVALID_HANDLE_VALUE) return 0;
    uint64_t size = 0;
    HANDLE to = SourceSize(from, &size) ? OpenForCopy(target, GENERIC_WRITE, OPEN_ALWAYS) : INVALID_HANDLE_VALUE;
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        return 0;
    }
    // An existing target is overwritten from its start and cut where the
    // source ends, so no older, longer content survives behind the copy.
    const bool copied = CopyContents(from, to, size, progressBar) && SetEndOfFile(to);
    if (copied) {
        FILETIME created, accessed, written;
        GetFileTime(from, &created, &accessed, &written);
        SetFileTime(to, &created, &accessed, &written);
    }
    CloseHandle(to);
    CloseHandle(from);
    return copied;
}

int InstallFiles(HWND mainWindow)
{
    SetWindowLongA(installer.textControl, GWL_STYLE, GetWindowLongA(installer.textControl, GWL_STYLE) | SS_CENTER);
    SendMessageA(installer.textControl, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)),
                 TRUE);
    FetchDirectories();
    const WindowsFamily family = FamilyOfVersion(GetVersion());
    ShowWindow(installer.progressBar, SW_RESTORE);

    for (size_t i = 0; i < ProgramFileCount(family); ++i) {
        const ProgramFile& file = ProgramFiles[i];
        const char* folder =
            file.folder == TargetFolder::Windows ? installer.windowsDirectory : installer.systemDirectory;
        char target[DirectorySize];
        if (!FormatTargetPath(folder, file, target) ||
            !CopyFileWithProgress(installer.progressBar, installer.textControl, file.source, target)) {
            MessageBoxA(mainWindow, file.errorText, file.errorCaption, FinalBoxStyle | MB_ICONERROR);
            return 0;
        }
    }
    return 1;
}
