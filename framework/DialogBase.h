// What a modeless dialog and a property page share: the object is stored in
// the window at WM_INITDIALOG, every message goes to ProcessWindowMessage
// behind an exception barrier, results travel through DWLP_MSGRESULT (except
// for the messages that return them directly), and the final-message hook
// runs once the window is gone.
#pragma once

#include "common/CString.h"

#include <windows.h>

namespace Framework
{
class CDialogBase
{
public:
    CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;
    // A window that outlives its object is detached before it is destroyed:
    // by now the derived part is gone, and its last messages must not reach
    // a half-destroyed object.
    virtual ~CDialogBase();

    HWND m_hWnd = nullptr;

protected:
    // Handles one message; returns true when handled, with result set.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
    // The window is gone: no message reaches the object after this.
    virtual void OnFinalMessage(HWND) {}

    // Stores the object in the window; from now on its messages reach it.
    void Attach(HWND window);
    // The object stored in the window, or null.
    static CDialogBase* FromWindow(HWND window);
    // The dispatch core of every dialog procedure of ours.
    static INT_PTR Dispatch(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Small helpers on the dialog's own controls.
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    CString ItemText(int id, int maxLength) const;
    void SetItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void Check(int id, bool checked) const
    {
        ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void EnableItem(int id, bool enabled) const { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }
};
} // namespace Framework
