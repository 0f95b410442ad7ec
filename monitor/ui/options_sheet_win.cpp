#include "monitor/ui/options_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstddef>

#include "monitor/core/main_window.h"
#include "monitor/res/dialog_ids.h"
#include "monitor/res/resource_ids.h"
#include "monitor/settings/monitor_config.h"
#include "monitor/ui/fan_page.h"
#include "monitor/ui/misc_page.h"
#include "monitor/ui/voltage_page.h"

namespace {

// The records go to the sheet in the common-controls 4.71 layout, without
// its wizard fields, so that every 4.71 or later library takes them.
using SheetPage = PROPSHEETPAGEA_V2;
constexpr UINT SheetHeaderSize = sizeof(PROPSHEETHEADERA);
constexpr UINT SheetPageSize = sizeof(SheetPage);
static_assert(offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP) == SheetHeaderSize,
              "the header record ends with the 4.71 fields");
static_assert(offsetof(SheetPage, pszHeaderSubTitle) + sizeof(LPCSTR) == SheetPageSize,
              "the page record ends with the 4.71 fields");
#ifndef _WIN64
static_assert(SheetHeaderSize == 52 && SheetPageSize == 48, "the 32-bit program passes the 4.71 record sizes");
#endif

constexpr int MaxPages = 5;

SheetPage PageRecord(int templateId, DLGPROC procedure)
{
    SheetPage page = {};
    page.dwSize = SheetPageSize;
    page.hInstance = moduleInstance;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = procedure;
    return page;
}

bool FanPageExists(int fan)
{
    return monitorConfig.itemPresent[fan] && monitorConfig.itemPresent[fan + 3];
}

}  // namespace

void OpenOptionsSheet(HWND owner)
{
    SheetPage pages[MaxPages];
    UINT count = 0;
    for (int fan = 0; fan < FanChannelCount; ++fan) {
        if (!FanPageExists(fan)) continue;
        SheetPage& page = pages[count++];
        page = PageRecord(DIALOG_FAN_PAGE + fan, FanPageProc);
        page.dwFlags = PSP_USETITLE | PSP_HASHELP;
        page.pszTitle = monitorConfig.fanPageTitle[fan];
        page.lParam = fan;
    }
    pages[count++] = PageRecord(DIALOG_MISC_PAGE, MiscPageProc);
    pages[count++] = PageRecord(DIALOG_VOLTAGE_PAGE, VoltagePageProc);

    PROPSHEETHEADERA header = {};
    header.dwSize = SheetHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_HASHELP;
    header.hwndParent = owner;
    header.hInstance = moduleInstance;
    header.pszIcon = MAKEINTRESOURCEA(ICON_OPTIONS);
    header.pszCaption = "Option";
    header.nPages = count;
    // One past the last page: the sheet opens on its first page.
    header.nStartPage = count;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    if (PropertySheetA(&header) == -1)
        MessageBoxA(owner,
                    "Unable to create Option Dialog Box.\nThis problem may be Common Control DLLs version is too old.\n"
                    "Please update Microsoft(R) Internet Explorer to 4.0 later version",
                    "Error", MB_ICONERROR);
}

void MarkSheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void CloseSheet(HWND page)
{
    DestroyWindow(GetParent(page));
}
