#include <windows.h>
#include <commctrl.h>

#include "common/centre_window.h"
#include "common/autostart.h"
#include "setup/installer.h"

InstallerState installer;

namespace {

constexpr char WindowClassName[] = "QX7305 Thermivo Install";
constexpr char WindowTitle[] = "QX7305 Thermivo";
constexpr char BannerText[] = "QX7305 Thermivo Install";
constexpr int IconId = 101;

// The welcome text shows between the banner and the start-at-logon box,
// which keeps its distance from the bottom. The NT family's text with a
// Windows folder of 60 characters takes 15 lines of the default GUI font (13
// pixels each under Wine's font); the window is tall enough for 16, one to
// spare for a font that wraps a long folder once more. 240 pixels held 8.
constexpr int WindowWidth = 320;
constexpr int WindowHeight = 337;

constexpr int InstallButtonId = 1000;
constexpr int ExitButtonId = 1001;
constexpr int AutoStartBoxId = 1002;
constexpr int HiddenDuringInstallation[] = {AutoStartBoxId, ExitButtonId, InstallButtonId};

// The shell opens the new program group's folder window a moment after the
// group is made, often once the success box is up, and activates it. For
// the first seconds of the box a timer gives it the front back.
constexpr UINT_PTR KeepBoxInFrontTimerId = 1;
constexpr UINT KeepBoxInFrontPeriodMs = 200;
constexpr int KeepBoxInFrontTicks = 25;  // 5 s
int keepBoxInFrontTicksLeft;

void KeepBoxInFront(HWND window)
{
    // The box is the popup of the installer's window that was active last.
    HWND box = GetLastActivePopup(window);
    if (box != window && GetForegroundWindow() != box) SetForegroundWindow(box);
    if (--keepBoxInFrontTicksLeft <= 0) KillTimer(window, KeepBoxInFrontTimerId);
}

void FetchDirectory(UINT(WINAPI* fetch)(LPSTR, UINT), char (&buffer)[DirectorySize])
{
    const UINT length = fetch(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) buffer[0] = '\0';
}

HWND CreateChild(const char* className, const char* text, DWORD style, int x, int y, int width, int height,
                 int id, HINSTANCE instance)
{
    return CreateWindowExA(0, className, text, style, x, y, width, height, installer.mainWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void CreateControls(HINSTANCE instance)
{
    RECT client;
    GetClientRect(installer.mainWindow, &client);
    const int w = client.right;
    const int h = client.bottom;
    const WPARAM guiFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));

    // The progress bar lies inside the text control's rectangle. It goes
    // above it, and the text control leaves it out when painting, so that a
    // new progress line does not wipe out the bar.
    installer.textControl =
        CreateChild("Static", "", WS_CHILD | WS_CLIPSIBLINGS, 5, 40, w - 10, h - 75, 0, instance);
    SendMessageA(installer.textControl, WM_SETFONT, guiFont, TRUE);
    installer.progressBar =
        CreateChild(PROGRESS_CLASSA, nullptr, WS_CHILD | PBS_SMOOTH, w / 2 - 105, h / 2 - 10, 210, 20, 0, instance);
    SetWindowPos(installer.progressBar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    CreateChild("Button", "Install", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, w / 2 - 80, h - 35, 60, 30,
                InstallButtonId, instance);
    CreateChild("Button", "Exit", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, w / 2 + 20, h - 35, 60, 30, ExitButtonId,
                instance);
    HWND box = CreateChild("Button", "To execute Thermivo automatically at startup.",
                           WS_CHILD | WS_VISIBLE | BS_CHECKBOX, 10, h - 60, w - 20, 20, AutoStartBoxId, instance);
    SendMessageA(box, WM_SETFONT, guiFont, TRUE);
}

bool IsAutoStartTicked(HWND window)
{
    return SendDlgItemMessageA(window, AutoStartBoxId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Runs to its end inside the Install click; only a failed copy stops it
// early, and the program ends either way.
void RunInstallation(HWND window)
{
    for (int id : HiddenDuringInstallation) ShowWindow(GetDlgItem(window, id), SW_HIDE);
    // The copy keeps the thread busy, so the emptied button area is painted now.
    UpdateWindow(window);
    if (InstallFiles(window)) {
        CreateProgramGroup();
        WriteDefaultSettings();
        RegisterUninstall();
        if (IsAutoStartTicked(window)) SetAutoStartIn(installer.windowsDirectory);
        keepBoxInFrontTicksLeft = KeepBoxInFrontTicks;
        SetTimer(window, KeepBoxInFrontTimerId, KeepBoxInFrontPeriodMs, nullptr);
        MessageBoxA(window, "Congratulation install OK\n Leave Thermivo Install.", "QX7305 Thermivo Install",
                    FinalBoxStyle | MB_ICONINFORMATION);
        KillTimer(window, KeepBoxInFrontTimerId);
    }
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(ExitButtonId, 0), 0);
}

void OnCommand(HWND window, int id)
{
    switch (id) {
    case InstallButtonId:
        SendMessageA(window, WM_USER, 0, 0);
        break;
    case ExitButtonId:
        SendMessageA(window, WM_DESTROY, 0, 0);
        break;
    case AutoStartBoxId:
        // A plain check box: the window ticks and unticks it itself.
        SendDlgItemMessageA(window, AutoStartBoxId, BM_SETCHECK, IsAutoStartTicked(window) ? 0 : 1, 0);
        break;
    }
}

LRESULT CALLBACK InstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CentreWindow(window, nullptr);
        break;
    case WM_PAINT:
        PaintBanner(window);
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) OnCommand(window, LOWORD(wParam));
        break;
    case WM_USER:
        RunInstallation(window);
        break;
    case WM_TIMER:
        if (wParam == KeepBoxInFrontTimerId) KeepBoxInFront(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void FetchDirectories()
{
    FetchDirectory(GetSystemDirectoryA, installer.systemDirectory);
    FetchDirectory(GetWindowsDirectoryA, installer.windowsDirectory);
}

int ShowWelcomeText()
{
    FetchDirectories();
    char text[WelcomeTextSize];
    FormatWelcomeText(FamilyOfVersion(GetVersion()), installer.windowsDirectory, installer.systemDirectory, text);
    SendMessageA(installer.textControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    ShowWindow(installer.textControl, SW_RESTORE);
    return 1;
}

void PaintBanner(HWND mainWindow)
{
    LOGFONTA font = {};
    SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    // Chosen by family alone: any Roman face the system has.
    font.lfHeight = 24;
    font.lfWeight = 0;
    font.lfCharSet = ANSI_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = FF_ROMAN | DEFAULT_PITCH;
    font.lfFaceName[0] = '\0';

    HDC dc = GetDC(mainWindow);
    HFONT banner = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, banner);
    SetBkMode(dc, TRANSPARENT);
    const int length = lstrlenA(BannerText);
    SetTextColor(dc, RGB(100, 100, 100));
    TextOutA(dc, 12, 12, BannerText, length);
    SetTextColor(dc, RGB(255, 0, 0));
    TextOutA(dc, 10, 10, BannerText, length);
    SelectObject(dc, previous);
    DeleteObject(banner);
    ReleaseDC(mainWindow, dc);
}

int RunInstaller(HINSTANCE instance)
{
    // Registers the progress bar class with every version of the common
    // controls; InitCommonControlsEx needs one newer than Windows 95 and
    // NT 4.0 carry.
    InitCommonControls();

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = InstallerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IconId));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1);
    windowClass.lpszClassName = WindowClassName;
    RegisterClassExA(&windowClass);

    // An overlapped window without system menu: a title bar, but no close,
    // minimise or maximise box.
    installer.mainWindow =
        CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE, WindowClassName, WindowTitle,
                        WS_OVERLAPPED | WS_VISIBLE, 0, 0, WindowWidth, WindowHeight, nullptr, nullptr, instance, nullptr);
    CreateControls(instance);
    ShowWelcomeText();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
