#include "tests/e2e/harness.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// Unbuffered, so that a test the runner ends at its time-out still shows
// how far it came.
[[maybe_unused]] const int unbufferedOutput = setvbuf(stdout, nullptr, _IONBF, 0);

std::string Environment(const char* name)
{
    char value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value) : std::string();
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) return TRUE;
    char text[256];
    if (search->className) {
        GetClassNameA(window, text, sizeof text);
        if (strcmp(text, search->className) != 0) return TRUE;
    }
    if (search->title) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, search->title) != 0) return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

// Wine ends the virtual desktop a moment after its last window closes, and
// a test that starts a program again would then look at a desktop that is
// gone. A hidden window of the test's own keeps it for the whole run. It
// lives on a thread that answers its messages, since programs broadcast to
// every top-level window (a DDE conversation starts that way) and wait.
class KeepDesktop : public ::testing::Environment {
public:
    void SetUp() override
    {
        ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, Run, this, 0, &threadId);
        WaitForSingleObject(ready, 5000);
    }
    void TearDown() override
    {
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        CloseHandle(ready);
    }

private:
    static DWORD WINAPI Run(void* parameter)
    {
        auto* self = static_cast<KeepDesktop*>(parameter);
        HWND window = CreateWindowExA(0, "STATIC", "e2e", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here
        SetEvent(self->ready);
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        DestroyWindow(window);
        return 0;
    }
    HANDLE ready = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};
::testing::Environment* const keepDesktop = ::testing::AddGlobalTestEnvironment(new KeepDesktop);

}  // namespace

std::string BuildPath(const char* relative)
{
    return Environment("KELVIMON_BUILD") + "\\" + relative;
}

std::string ProgramPath(const char* relative)
{
    const std::string programs = Environment("KELVIMON_PROGRAMS");
    return programs.empty() ? BuildPath(relative) : programs + "\\" + relative;
}

bool ProgramsAre32Bit()
{
    static const bool is32 = [] {
        DWORD type = 0;
        return GetBinaryTypeA(ProgramPath("monitor\\KelvimonSim.exe").c_str(), &type) && type == SCS_32BIT_BINARY;
    }();
    return is32;
}

REGSAM ProgramRegistryView()
{
    return ProgramsAre32Bit() ? KEY_WOW64_32KEY : 0;
}

std::string ProgramSystemDirectory()
{
    char path[MAX_PATH] = "";
    if (ProgramsAre32Bit()) {
        GetSystemWow64DirectoryA(path, sizeof path);
    } else {
        GetSystemDirectoryA(path, sizeof path);
    }
    return path;
}

std::string SimulatorMedium()
{
    return BuildPath(ProgramsAre32Bit() ? "..\\medium-sim32" : "..\\medium-sim");
}

std::string ArtifactPath(const char* name)
{
    const std::string folder = Environment("KELVIMON_ARTIFACTS");
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

std::string ScratchFolder(const char* name)
{
    const std::string folder = std::string("C:\\scratch-") + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

Program StartProgram(const std::string& exePath, const std::string& arguments, const std::string& workingDirectory)
{
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    Program program;
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << exePath << ": error " << GetLastError();
        return program;
    }
    CloseHandle(info.hThread);
    program.process = info.hProcess;
    program.pid = info.dwProcessId;
    WaitForInputIdle(info.hProcess, 5000);
    return program;
}

bool WaitForExit(const Program& program, DWORD timeoutMs, DWORD* exitCode)
{
    if (!program.process || WaitForSingleObject(program.process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(program.process, exitCode);
    return true;
}

DWORD RunBoardctl(const std::string& arguments)
{
    Program tool = StartProgram(BuildPath("sim\\boardctl.exe"), arguments);
    DWORD exitCode = 1234;
    EXPECT_TRUE(WaitForExit(tool, 10000, &exitCode));
    EndProgram(tool);
    return exitCode;
}

DWORD RunConsoleProgram(const std::string& exePath, const std::string& arguments, std::string* output,
                        std::string* errors, DWORD timeoutMs)
{
    const std::string folder = ScratchFolder("console");
    const std::string outputPath = folder + "\\output.txt", errorsPath = folder + "\\errors.txt";
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE outputFile = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    HANDLE errorsFile = CreateFileA(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outputFile;
    startup.hStdError = errorsFile;
    PROCESS_INFORMATION info = {};
    DWORD exitCode = STILL_ACTIVE;
    if (CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        Program program = {info.hProcess, info.dwProcessId};
        if (!WaitForExit(program, timeoutMs, &exitCode)) exitCode = STILL_ACTIVE;
        EndProgram(program);
    } else {
        ADD_FAILURE() << "cannot start " << exePath << ": error " << GetLastError();
    }
    CloseHandle(outputFile);
    CloseHandle(errorsFile);
    *output = FileText(outputPath);
    *errors = FileText(errorsPath);
    return exitCode;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsRunning(const Program& program)
{
    return program.process && WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT;
}

void EndProgram(Program& program)
{
    if (!program.process) return;
    if (IsRunning(program)) {
        TerminateProcess(program.process, 99);
        WaitForSingleObject(program.process, 5000);
    }
    CloseHandle(program.process);
    program = Program{};
}

std::vector<DWORD> ProcessThreads(DWORD pid)
{
    std::vector<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid) threads.push_back(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

HWND StartSimulatedMonitor(Program& monitor)
{
    monitor = StartProgram(ProgramPath("monitor\\KelvimonSim.exe"));
    HWND window = WaitForWindow(monitor.pid, "Thermivo", nullptr, 15000);
    if (!window) fprintf(stderr, "the monitor did not start\n");
    return window;
}

void HoldProcess(DWORD pid, bool hold)
{
    for (DWORD id : ProcessThreads(pid)) {
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
        if (!thread) continue;
        if (hold) {
            SuspendThread(thread);
        } else {
            ResumeThread(thread);
        }
        CloseHandle(thread);
    }
}

double ThreadsProcessorMs(DWORD pid, DWORD leftOut)
{
    double total = 0;
    for (DWORD id : ProcessThreads(pid)) {
        if (id == leftOut) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (!thread) continue;
        FILETIME created, exited, kernel, user;
        GetThreadTimes(thread, &created, &exited, &kernel, &user);
        CloseHandle(thread);
        for (const FILETIME& t : {kernel, user})
            total += static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    }
    return total;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(pollMs);
    }
}

std::vector<HWND> ProcessWindows(DWORD pid, const char* className)
{
    WindowSearch search = {pid, className, nullptr, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title)
{
    WindowSearch search = {pid, className, title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindProcessWindow(pid, className, title)) != nullptr; }, timeoutMs);
    return window;
}

HWND WaitForShownWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs)
{
    HWND shown = nullptr;
    WaitUntil([&] {
        WindowSearch search = {pid, className, title, {}};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found)
            if (!shown && IsWindowVisible(window)) shown = window;
        return shown != nullptr;
    }, timeoutMs);
    return shown;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

HWND WaitForDialog(DWORD pid, const char* title, DWORD timeoutMs)
{
    return WaitForShownWindow(pid, "#32770", title, timeoutMs);
}

std::string MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

void PressDialogButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string WindowText(HWND window)
{
    char text[4096] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

bool ProfileHasKey(const char* key, const char* section)
{
    char value[8];
    return GetProfileStringA(section, key, "\x01", value, sizeof value) != 1 || value[0] != '\x01';
}

std::string ProfileValue(const char* key, const char* section)
{
    char value[1024];
    GetProfileStringA(section, key, "", value, sizeof value);
    return value;
}

void SetProfileValue(const char* key, const char* value, const char* section)
{
    WriteProfileStringA(section, key, value);
}

void DeleteProfileSection(const char* section)
{
    WriteProfileStringA(section, nullptr, nullptr);
}

bool RegistryString(HKEY root, const char* path, const char* name, std::string* data)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | ProgramRegistryView(), &key) != ERROR_SUCCESS) return false;
    char value[1024];
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    value[size] = '\0';
    if (data) *data = value;
    return true;
}

namespace {

Pixels CaptureFrom(HDC source, int x, int y, int width, int height)
{
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgb.assign(static_cast<size_t>(width) * height, 0);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* source32 = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.rgb.size(); ++i) pixels.rgb[i] = source32[i] & 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    return pixels;
}

}  // namespace

Pixels CaptureClient(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    Pixels pixels = CaptureFrom(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(window, dc);
    return pixels;
}

Pixels CaptureScreen()
{
    HDC dc = GetDC(nullptr);
    Pixels pixels = CaptureFrom(dc, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    ReleaseDC(nullptr, dc);
    return pixels;
}

Pixels BitmapResource(const std::string& exePath, int id)
{
    Pixels pixels;
    HMODULE module = LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return pixels;
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        pixels = CaptureFrom(memory, 0, 0, info.bmWidth, info.bmHeight);
        SelectObject(memory, old);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    if (bitmap) DeleteObject(bitmap);
    FreeLibrary(module);
    return pixels;
}

bool BlocksEqual(const Pixels& a, int ax, int ay, const Pixels& b, int bx, int by, int width, int height)
{
    if (ax < 0 || ay < 0 || bx < 0 || by < 0 || ax + width > a.width || ay + height > a.height ||
        bx + width > b.width || by + height > b.height)
        return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (a.At(ax + x, ay + y) != b.At(bx + x, by + y)) return false;
    return true;
}

bool BlockIs(const Pixels& a, int x0, int y0, int width, int height, uint32_t rgb)
{
    if (x0 < 0 || y0 < 0 || x0 + width > a.width || y0 + height > a.height) return false;
    for (int y = y0; y < y0 + height; ++y)
        for (int x = x0; x < x0 + width; ++x)
            if (a.At(x, y) != rgb) return false;
    return true;
}

bool SaveArtifact(const Pixels& pixels, const char* name)
{
    FILE* file = fopen(ArtifactPath(name).c_str(), "wb");
    if (!file) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(pixels.width) * 3 + 3u) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(pixels.height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageBytes;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    fwrite(&header, sizeof header, 1, file);
    fwrite(&info, sizeof info, 1, file);
    std::vector<uint8_t> row(rowBytes, 0);
    for (int y = pixels.height - 1; y >= 0; --y) {
        for (int x = 0; x < pixels.width; ++x) {
            const uint32_t c = pixels.At(x, y);
            row[3 * x] = static_cast<uint8_t>(c);
            row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
        fwrite(row.data(), 1, row.size(), file);
    }
    fclose(file);
    return true;
}

bool SaveScreenshot(const char* name)
{
    return SaveArtifact(CaptureScreen(), name);
}
