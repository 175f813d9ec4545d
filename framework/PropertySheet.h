// A modeless property sheet with no owner, no Apply button and no help
// button. It registers itself as a filter of the thread's message loop,
// which gives the sheet's messages to PropSheet_IsDialogMessage and destroys
// the sheet once it reports no current page (after OK or Cancel). The final
// message reaches OnFinalMessage, where an object that owns itself deletes
// itself.
#pragma once

#include "MessageLoop.h"
#include "PropertyPage.h"
#include "common/CString.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace Framework
{
class CPropertySheet : public CMessageFilter
{
public:
    CPropertySheet(const char* caption, UINT smallIconId);
    // Destroys a window that still exists, detached first.
    virtual ~CPropertySheet();
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Pages appear in the order they were added.
    void AddPage(CPropertyPage& page);
    // Creates the sheet on its first page; returns its window or null.
    HWND Create();
    // Shows page index, as PSM_SETCURSEL does.
    void SetActivePage(int index) const;

    BOOL PreTranslateMessage(MSG* message) override;

    HWND m_hWnd = nullptr;

protected:
    // The window is gone; the object may delete itself.
    virtual void OnFinalMessage(HWND) {}

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void Detach();

    const CString m_caption;
    const UINT m_smallIconId;
    std::vector<CPropertyPage*> m_pages;
    Common::CUniqueIcon m_smallIcon;
};
} // namespace Framework
