#include "DialogBase.h"

#include <vector>

namespace Framework
{
CDialogBase::~CDialogBase()
{
    const HWND window = m_hWnd;
    if (window != nullptr && FromWindow(window) == this)
    {
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        m_hWnd = nullptr;
        ::DestroyWindow(window);
    }
}

void CDialogBase::Attach(HWND window)
{
    m_hWnd = window;
    ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

CDialogBase* CDialogBase::FromWindow(HWND window)
{
    return reinterpret_cast<CDialogBase*>(::GetWindowLongPtrA(window, DWLP_USER));
}

CString CDialogBase::ItemText(int id, int maxLength) const
{
    std::vector<char> text(static_cast<size_t>(maxLength) + 1, '\0');
    const UINT length = ::GetDlgItemTextA(m_hWnd, id, text.data(), maxLength + 1);
    return CString(text.data(), length);
}

INT_PTR CDialogBase::Dispatch(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (self == nullptr)
    {
        return FALSE;
    }
    LRESULT result = 0;
    bool handled = false;
    try
    {
        handled = self->ProcessWindowMessage(window, message, wParam, lParam, result);
    }
    catch (...)
    {
        // An exception must not unwind through the system's frames; the
        // message counts as not handled and default processing runs.
        handled = false;
    }

    if (message == WM_NCDESTROY)
    {
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window); // may delete the object
    }
    if (!handled)
    {
        return FALSE;
    }
    switch (message)
    {
    // These messages return their result directly instead of through
    // DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
} // namespace Framework
