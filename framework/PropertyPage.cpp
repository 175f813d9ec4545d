#include "PropertyPage.h"

#include "Module.h"

namespace Framework
{
HPROPSHEETPAGE CPropertyPage::CreatePage()
{
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = Module().GetResourceInstance();
    page.pszTemplate = MAKEINTRESOURCEA(m_templateId);
    page.pfnDlgProc = &CPropertyPage::DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return ::CreatePropertySheetPageA(&page);
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG)
    {
        // The sheet passes a copy of the page description; its lParam is ours.
        auto* page =
            reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        page->Attach(window);
        self = page;
    }
    else
    {
        self = FromWindow(window);
    }
    return Dispatch(self, window, message, wParam, lParam);
}

bool CPropertyPage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        result = OnInitDialog() ? TRUE : FALSE;
        return true;
    case WM_COMMAND:
        return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY:
    {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        switch (header.code)
        {
        case PSN_SETACTIVE:
            OnSetActive();
            result = 0; // stay on this page
            return true;
        case PSN_KILLACTIVE:
            OnKillActive();
            result = FALSE; // the page may be left
            return true;
        default:
            return OnNotify(header, result);
        }
    }
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false; // default processing as well
    default:
        return false;
    }
}
} // namespace Framework
