#include "Controls.h"

#include "Module.h"
#include "common/WideText.h"

#include <vector>

namespace Framework
{
void InitCommonControlClasses()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                                           ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

int CListView::InsertColumn(int index, const char* header)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<char*>(header);
    column.cx = static_cast<int>(Send(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(header))) + 15;
    column.iSubItem = index;
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

int CListView::InsertItem(int index, const char* text, int image, LPARAM data) const
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void CListView::SetItemText(int item, int column, const char* text) const
{
    LVITEMA subItem = {};
    subItem.iSubItem = column;
    subItem.pszText = const_cast<char*>(text);
    Send(LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&subItem));
}

CString CListView::GetItemText(int item, int column, int maxLength) const
{
    std::vector<char> text(static_cast<size_t>(maxLength) + 1, '\0');
    LVITEMA subItem = {};
    subItem.iSubItem = column;
    subItem.pszText = text.data();
    subItem.cchTextMax = maxLength + 1;
    const int length = static_cast<int>(Send(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&subItem)));
    return CString(text.data(), static_cast<size_t>(length > 0 ? length : 0));
}

int CListView::InsertItemUtf8(int index, const CString& text, int image, LPARAM data) const
{
    std::wstring wide = Common::Widen(text);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = index;
    item.pszText = &wide[0];
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void CListView::SetItemTextUtf8(int item, int column, const CString& text) const
{
    std::wstring wide = Common::Widen(text);
    LVITEMW subItem = {};
    subItem.iSubItem = column;
    subItem.pszText = &wide[0];
    Send(LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&subItem));
}

CString CListView::GetItemTextUtf8(int item, int column, int maxLength) const
{
    std::vector<wchar_t> text(static_cast<size_t>(maxLength) + 1, L'\0');
    LVITEMW subItem = {};
    subItem.iSubItem = column;
    subItem.pszText = text.data();
    subItem.cchTextMax = maxLength + 1;
    Send(LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&subItem));
    return Common::Narrow(text.data());
}

LPARAM CListView::GetItemData(int item) const
{
    LVITEMA row = {};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row)) ? row.lParam : 0;
}

int CListView::FindItemData(LPARAM data) const
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return static_cast<int>(Send(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CListView::Select(int item) const
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    Send(LVM_ENSUREVISIBLE, item, FALSE);
}

bool CListView::GetCheck(int item) const
{
    const UINT state = static_cast<UINT>(Send(LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK));
    return (state >> 12) != 1;
}

void CListView::SetCheck(int item, bool checked) const
{
    LVITEMA state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    Send(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

void CBalloonTip::Create(HWND owner)
{
    m_owner = owner;
    m_hWnd = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               Module().GetResourceInstance(), nullptr);
    TTTOOLINFOA tool = Tool();
    Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    Send(TTM_SETMAXTIPWIDTH, 0, 320);
}

void CBalloonTip::Destroy()
{
    if (m_hWnd != nullptr)
    {
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

TTTOOLINFOA CBalloonTip::Tool() const
{
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    // Tracking: shown where and while we say, not where the mouse hovers.
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = m_owner;
    tool.uId = 1;
    tool.lpszText = const_cast<char*>("");
    return tool;
}

void CBalloonTip::Show(const char* title, const char* text, POINT screenPoint) const
{
    TTTOOLINFOA tool = Tool();
    tool.lpszText = const_cast<char*>(text);
    Send(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    Send(TTM_SETTITLEA, TTI_WARNING, reinterpret_cast<LPARAM>(title));
    Send(TTM_TRACKPOSITION, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
    Send(TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void CBalloonTip::Hide() const
{
    TTTOOLINFOA tool = Tool();
    Send(TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}
} // namespace Framework
