// Every label of the programs' windows shows whole in the font it is drawn
// with: each static text and button label is measured (DrawText with
// DT_CALCRECT) against the part of its control that it may draw in. The
// installer's welcome text is measured for every family and for Windows
// folders of the lengths it must hold.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "monitor/res/dialog_ids.h"
#include "setup/install_plan.h"
#include "tests/e2e/install_harness.h"
#include "tests/e2e/monitor_harness.h"

namespace {

// What a control's text takes and what the control gives it, in pixels.
struct Fit {
    std::string where;
    std::string text;
    SIZE need;
    SIZE room;
    bool Fits() const { return need.cx <= room.cx && need.cy <= room.cy; }
};

void PrintTo(const Fit& fit, std::ostream* out)
{
    *out << fit.where << " \"" << fit.text << "\": needs " << fit.need.cx << " x " << fit.need.cy << ", has "
         << fit.room.cx << " x " << fit.room.cy;
}

// The size the text takes when drawn in the font with the format, wrapped
// (with DT_WORDBREAK) at the width; wider than the width when a word is.
SIZE TextSize(HFONT font, const std::string& text, int width, UINT format)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT rect = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &rect, format | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return {rect.right, rect.bottom};
}

int DigitWidth(HFONT font)
{
    return TextSize(font, "0", 0, DT_SINGLELINE).cx;
}

RECT RectIn(HWND parent, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsGroupBox(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Button") == 0 && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The part of the control that its text shows in: its client area, down to
// the first shown control that lies on it further down (a group box is a
// frame around others and covers nothing).
SIZE OpenRoom(HWND control)
{
    HWND parent = GetParent(control);
    const RECT own = RectIn(parent, control);
    LONG bottom = own.bottom;
    for (HWND other = GetWindow(parent, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
        if (other == control || !(GetWindowLongA(other, GWL_STYLE) & WS_VISIBLE) || IsGroupBox(other)) continue;
        const RECT rect = RectIn(parent, other);
        RECT overlap;
        if (rect.top > own.top && IntersectRect(&overlap, &own, &rect) && rect.top < bottom) bottom = rect.top;
    }
    return {own.right - own.left, bottom - own.top};
}

// A label as the control draws it. Static texts wrap at word breaks; button
// labels take one line beside a check box or radio button's 13-pixel mark
// and half a digit's gap, inside a push button's two-pixel frame with a
// pixel for the pressed shift, or after a group box's indent. A greyed
// label is drawn embossed, a pixel wider, and every button can be greyed.
bool MeasureLabel(HWND control, HFONT font, const std::string& where, Fit* fit)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const std::string text = WindowText(control);
    if (!(style & WS_VISIBLE) || text.empty()) return false;
    SIZE room = OpenRoom(control);
    SIZE need;
    if (lstrcmpiA(className, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) return false;
        const UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
        need = TextSize(font, text, room.cx, align | DT_WORDBREAK | DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
    } else if (lstrcmpiA(className, "Button") == 0) {
        need = TextSize(font, text, 0, DT_SINGLELINE);
        need.cx += 1;
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            room.cx -= 2 * 3;
            break;
        case BS_GROUPBOX:
            room.cx -= 2 * DigitWidth(font);
            break;
        default:  // check boxes and radio buttons
            room.cx -= 13 + DigitWidth(font) / 2;
            break;
        }
    } else {
        return false;
    }
    *fit = {where, text, need, room};
    return true;
}

// Every label of the dialog, each in the font its control draws with.
void MeasureLabels(HWND dialog, const std::function<HFONT(int id)>& fontOf, const std::string& where,
                   std::vector<Fit>* fits)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        Fit fit;
        if (MeasureLabel(control, fontOf(GetDlgCtrlID(control)), where, &fit)) fits->push_back(fit);
    }
}

INT_PTR CALLBACK LeaveAlone(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The font the dialog manager gives a dialog of the monitor: this program
// holds the monitor's resources, so it creates the dialog from the same
// template and keeps a copy of its font.
HFONT DialogFont(int templateId)
{
    static std::map<int, HFONT> fonts;
    if (fonts.count(templateId)) return fonts[templateId];
    LoadLibraryA("RICHED32.DLL");  // the Help window's text control
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, LeaveAlone, 0);
    EXPECT_NE(dialog, nullptr) << "dialog " << templateId;
    LOGFONTA description = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof description, &description);
    DestroyWindow(dialog);
    DestroyWindow(parent);
    return fonts[templateId] = CreateFontIndirectA(&description);
}

HFONT StockFont(int id)
{
    return reinterpret_cast<HFONT>(GetStockObject(id));
}

// The installer sets the default GUI font on its text and its check box;
// the buttons draw in the system font.
HFONT InstallerFont(int id)
{
    return StockFont(id == InstallButton || id == ExitButton ? SYSTEM_FONT : DEFAULT_GUI_FONT);
}

// The installer's welcome text for each family, with the folders its systems
// are usually in and with a Windows folder of 60 characters, as a machine
// with several systems may have; the system folder is inside it.
void MeasureWelcomeTexts(HWND text, std::vector<Fit>* fits)
{
    const std::string sixty = "D:\\SYSTEMS\\INSTALL\\BACKUP\\MACHINE\\WINDOWS.000\\OLDFILES\\WINNT";
    EXPECT_EQ(sixty.size(), 60u);
    const SIZE room = OpenRoom(text);
    for (const WindowsFamily family : {WindowsFamily::Windows9x, WindowsFamily::Nt}) {
        for (const std::string& windows : {std::string("C:\\WINDOWS"), std::string("C:\\WINNT"), sixty}) {
            const std::string system = windows + (family == WindowsFamily::Nt ? "\\system32" : "\\SYSTEM");
            char welcome[WelcomeTextSize];
            ASSERT_TRUE(FormatWelcomeText(family, windows.c_str(), system.c_str(), welcome));
            const SIZE need = TextSize(StockFont(DEFAULT_GUI_FONT), welcome, room.cx, DT_WORDBREAK | DT_EXPANDTABS);
            fits->push_back({std::string("welcome text, ") + (family == WindowsFamily::Nt ? "NT" : "95/98") +
                                 " family, " + windows,
                             welcome, need, room});
            printf("%s: %ld of %ld pixels high\n", fits->back().where.c_str(), need.cy, room.cy);
        }
    }
}

class LabelFit : public MonitorTest {};

// The installer's window and its welcome texts; the monitor with the warning
// sound off and no case supervision, so that the sound kinds and "Clear
// Case Open Flag" are greyed, its pages first in Celsius, then in Fahrenheit.
TEST_F(LabelFit, EveryLabelOfEveryDialogShowsWhole)
{
    std::vector<Fit> fits;
    const Medium medium = PrepareMedium("labels");
    RunningSetup setup = StartSetup(medium.folder);
    ASSERT_NE(setup.window, nullptr);
    MeasureLabels(setup.window, InstallerFont, "installer", &fits);
    MeasureWelcomeTexts(TextControl(setup), &fits);
    PressDialogButton(setup.window, ExitButton);
    EXPECT_TRUE(WaitForExit(setup.program, 10000));
    EndProgram(setup.program);

    SetProfileValue("SOUND", "0");
    SetProfileValue("DEFCASE", "0");
    StartMonitor();
    PostMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 380));  // the panel's About button
    HWND about = WaitForDialog(monitor.pid, "About Thermivo", 10000);
    ASSERT_NE(about, nullptr);
    MeasureLabels(about, [](int) { return DialogFont(DIALOG_ABOUT); }, "About", &fits);
    PressDialogButton(about, IDOK);
    ASSERT_TRUE(WaitForWindowGone(about, 5000));

    HWND sheet = OpenOptions();
    ASSERT_NE(sheet, nullptr);
    const std::vector<std::string> titles = SheetTabTitles(sheet);
    for (const char* scale : {"Celsius", "Fahrenheit"}) {
        int misc = -1;
        for (size_t i = 0; i < titles.size(); ++i) {
            SendMessageA(sheet, PSM_SETCURSEL, i, 0);
            const int templateId = titles[i] == "Misc"      ? DIALOG_MISC_PAGE
                                   : titles[i] == "Voltage" ? DIALOG_VOLTAGE_PAGE
                                                            : DIALOG_FAN_PAGE + static_cast<int>(i);
            if (templateId == DIALOG_MISC_PAGE) misc = static_cast<int>(i);
            MeasureLabels(CurrentPage(sheet), [&](int) { return DialogFont(templateId); }, titles[i] + " page, " + scale,
                          &fits);
        }
        ASSERT_GE(misc, 0);
        SendMessageA(sheet, PSM_SETCURSEL, misc, 0);
        ClickButton(CurrentPage(sheet), MISC_FAHRENHEIT_RADIO);
        PressSheetButton(sheet, PSBTN_APPLYNOW);
    }
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);  // a fan page, which has Help
    PressSheetButton(sheet, PSBTN_HELP);
    HWND help = WaitForDialog(monitor.pid, "Thermivo Help", 5000);
    ASSERT_NE(help, nullptr);
    MeasureLabels(help, [](int) { return DialogFont(DIALOG_HELP); }, "Help", &fits);

    EXPECT_GT(fits.size(), 60u) << "labels measured";
    EXPECT_TRUE(std::any_of(fits.begin(), fits.end(), [](const Fit& fit) { return fit.text == "212 F"; }))
        << "the fan pages were measured in Fahrenheit";
    for (const Fit& fit : fits) {
        EXPECT_TRUE(fit.Fits()) << ::testing::PrintToString(fit);
        if (fit.room.cx - fit.need.cx < 3) printf("tight: %s\n", ::testing::PrintToString(fit).c_str());
    }
}

}  // namespace
