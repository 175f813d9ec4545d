// Thin wrappers around the common controls the configuration pages use: a
// few inline lines each around the messages we send, so a page reads as
// what it does. They do not own their windows.
#pragma once

#include "common/CString.h"

#include <windows.h>
#include <commctrl.h>

namespace Framework
{
// Registers the common-control classes the program's windows use (list
// view, trackbar, progress bar, property sheet tabs). Call once before the
// first window is created.
void InitCommonControlClasses();

class CControl
{
public:
    CControl() = default;
    explicit CControl(HWND window) : m_hWnd(window) {}
    void Attach(HWND window) { m_hWnd = window; }
    HWND GetHandle() const { return m_hWnd; }
    explicit operator bool() const { return m_hWnd != nullptr; }

protected:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    HWND m_hWnd = nullptr;
};

class CListView : public CControl
{
public:
    using CControl::CControl;
    // A left-aligned column as wide as its header text plus 15 pixels.
    int InsertColumn(int index, const char* header);
    void SetColumnWidth(int column, int width) const
    {
        Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
    }
    int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
    // The text's width in pixels in the list's font.
    int GetStringWidth(const char* text) const
    {
        return static_cast<int>(Send(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    }
    void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
    void SetImageList(HIMAGELIST list, int kind) const
    {
        Send(LVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(list));
    }

    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    // Inserts a row with its text, image and item data; returns its index or -1.
    int InsertItem(int index, const char* text, int image = -1, LPARAM data = 0) const;
    void SetItemText(int item, int column, const char* text) const;
    CString GetItemText(int item, int column, int maxLength = 259) const;
    // The same for text the user reads in any script, passed in UTF-8 and
    // kept by the control in UTF-16.
    int InsertItemUtf8(int index, const CString& text, int image = -1, LPARAM data = 0) const;
    void SetItemTextUtf8(int item, int column, const CString& text) const;
    CString GetItemTextUtf8(int item, int column, int maxLength = 259) const;
    LPARAM GetItemData(int item) const;
    // The first row whose item data is this, or -1.
    int FindItemData(LPARAM data) const;
    bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, item) != 0; }
    void DeleteAllItems() const { Send(LVM_DELETEALLITEMS); }

    // The first selected row, or -1.
    int GetSelectedIndex() const
    {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // Selects and focuses the row and scrolls it into view.
    void Select(int item) const;
    // The check box is state image 2 when checked, 1 when not.
    bool GetCheck(int item) const;
    void SetCheck(int item, bool checked) const;
};

class CTrackbar : public CControl
{
public:
    using CControl::CControl;
    void SetRange(int minimum, int maximum) const { Send(TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum)); }
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
    void SetPos(int position) const { Send(TBM_SETPOS, TRUE, position); }
};

class CComboBox : public CControl
{
public:
    using CControl::CControl;
    int AddString(const char* text) const
    {
        return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    void SetCurSel(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
};

// A balloon that points at a spot on the screen until it is hidden: a quiet
// hint beside a control where a message box would be too loud. It is a
// tracking tooltip rather than the edit control's own balloon, which not
// every comctl32 shows.
class CBalloonTip : public CControl
{
public:
    void Create(HWND owner);
    void Destroy();
    void Show(const char* title, const char* text, POINT screenPoint) const;
    void Hide() const;

private:
    TTTOOLINFOA Tool() const;
    HWND m_owner = nullptr;
};

class CProgressBar : public CControl
{
public:
    using CControl::CControl;
    void SetRange(int minimum, int maximum) const { Send(PBM_SETRANGE32, minimum, maximum); }
    void SetStep(int step) const { Send(PBM_SETSTEP, step); }
    void SetPos(int position) const { Send(PBM_SETPOS, position); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
    void StepIt() const { Send(PBM_STEPIT); }
};
} // namespace Framework
