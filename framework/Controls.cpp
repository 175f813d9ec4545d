#include "Controls.h"

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

LPARAM CListView::GetItemData(int item) const
{
    LVITEMA row = {};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row)) ? row.lParam : 0;
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
} // namespace Framework
