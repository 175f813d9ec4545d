// A modeless dialog built from a dialog resource. The object is stored in the
// window at WM_INITDIALOG and every message is handed to the derived class's
// ProcessWindowMessage, which says whether it handled it and with what result.
// No exception leaves the dialog procedure.
#pragma once

#include "Module.h"

#include <windows.h>

namespace Framework
{
template <typename T> class CModelessDialog
{
public:
    CModelessDialog() = default;
    CModelessDialog(const CModelessDialog&) = delete;
    CModelessDialog& operator=(const CModelessDialog&) = delete;
    virtual ~CModelessDialog()
    {
        if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        {
            ::DestroyWindow(m_hWnd);
        }
    }

    // Creates the dialog T::IDD; initParam arrives as WM_INITDIALOG's lParam.
    HWND Create(HWND parent, LPARAM initParam = 0)
    {
        m_initParam = initParam;
        return ::CreateDialogParamA(Module().GetResourceInstance(), MAKEINTRESOURCEA(T::IDD), parent,
                                    &CModelessDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    }

    HWND m_hWnd = nullptr;

protected:
    // Handles one message; returns true when handled, with result set.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
    // The window is gone: no message reaches the object after this.
    virtual void OnFinalMessage(HWND) {}

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CModelessDialog* self = nullptr;
        if (message == WM_INITDIALOG)
        {
            self = reinterpret_cast<CModelessDialog*>(lParam);
            self->m_hWnd = window;
            ::SetWindowLongPtrA(window, DWLP_USER, lParam);
            lParam = self->m_initParam;
        }
        else
        {
            self = reinterpret_cast<CModelessDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
        }
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
            self->OnFinalMessage(window);
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

    LPARAM m_initParam = 0;
};
} // namespace Framework
