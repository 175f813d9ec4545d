#include "PropertySheet.h"

#include "Module.h"

namespace Framework
{
namespace
{
const UINT_PTR SubclassId = 1;
}

CPropertySheet::CPropertySheet(const char* caption, UINT smallIconId)
    : m_caption(caption), m_smallIconId(smallIconId)
{
}

CPropertySheet::~CPropertySheet()
{
    const HWND window = m_hWnd;
    Detach();
    if (window != nullptr)
    {
        ::DestroyWindow(window);
    }
}

void CPropertySheet::AddPage(CPropertyPage& page)
{
    m_pages.push_back(&page);
}

HWND CPropertySheet::Create()
{
    std::vector<HPROPSHEETPAGE> pages;
    for (CPropertyPage* page : m_pages)
    {
        if (HPROPSHEETPAGE created = page->CreatePage())
        {
            pages.push_back(created);
        }
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hwndParent = nullptr;
    header.hInstance = Module().GetResourceInstance();
    header.pszCaption = m_caption.GetString();
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    const HWND window = reinterpret_cast<HWND>(::PropertySheetA(&header));
    if (window == nullptr || window == reinterpret_cast<HWND>(-1))
    {
        return nullptr;
    }
    m_hWnd = window;
    ::SetWindowSubclass(window, &CPropertySheet::SubclassProc, SubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (CMessageLoop* loop = Module().GetMessageLoop())
    {
        loop->AddMessageFilter(this);
    }
    m_smallIcon.reset(static_cast<HICON>(
        ::LoadImageA(Module().GetResourceInstance(), MAKEINTRESOURCEA(m_smallIconId), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
    // The whole caption, without the "Properties for" a sheet may add.
    ::SendMessageA(window, PSM_SETTITLEA, 0, reinterpret_cast<LPARAM>(m_caption.GetString()));
    return window;
}

void CPropertySheet::SetActivePage(int index) const
{
    ::SendMessageA(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

BOOL CPropertySheet::PreTranslateMessage(MSG* message)
{
    const HWND window = m_hWnd;
    if (window == nullptr)
    {
        return FALSE;
    }
    const BOOL handled = PropSheet_IsDialogMessage(window, message);
    if (PropSheet_GetCurrentPageHwnd(window) == nullptr)
    {
        // OK or Cancel was pressed. The final message may delete this
        // object, so nothing of it is touched afterwards.
        ::DestroyWindow(window);
    }
    return handled;
}

void CPropertySheet::Detach()
{
    if (m_hWnd == nullptr)
    {
        return;
    }
    ::RemoveWindowSubclass(m_hWnd, &CPropertySheet::SubclassProc, SubclassId);
    if (CMessageLoop* loop = Module().GetMessageLoop())
    {
        loop->RemoveMessageFilter(this);
    }
    m_hWnd = nullptr;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR data)
{
    if (message != WM_NCDESTROY)
    {
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CPropertySheet*>(data);
    self->Detach();
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    self->OnFinalMessage(window); // may delete the object
    return result;
}
} // namespace Framework
