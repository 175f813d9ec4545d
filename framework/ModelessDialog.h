// A modeless dialog built from the dialog resource T::IDD; initParam arrives
// as WM_INITDIALOG's lParam.
#pragma once

#include "DialogBase.h"
#include "Module.h"

#include <windows.h>

namespace Framework
{
template <typename T> class CModelessDialog : public CDialogBase
{
public:
    HWND Create(HWND parent, LPARAM initParam = 0)
    {
        m_initParam = initParam;
        return ::CreateDialogParamA(Module().GetResourceInstance(), MAKEINTRESOURCEA(T::IDD), parent,
                                    &CModelessDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CDialogBase* self = nullptr;
        if (message == WM_INITDIALOG)
        {
            auto* dialog = reinterpret_cast<CModelessDialog*>(lParam);
            dialog->Attach(window);
            lParam = dialog->m_initParam;
            self = dialog;
        }
        else
        {
            self = FromWindow(window);
        }
        return Dispatch(self, window, message, wParam, lParam);
    }

    LPARAM m_initParam = 0;
};
} // namespace Framework
