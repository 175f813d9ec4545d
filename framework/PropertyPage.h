// A page of a property sheet, built from a dialog resource. The sheet hands
// the page its PROPSHEETPAGE at WM_INITDIALOG, whose lParam is the object;
// from then on the messages go through the shared dialog dispatch, and the
// messages a page cares about arrive as small virtuals.
#pragma once

#include "DialogBase.h"

#include <windows.h>
#include <commctrl.h>

namespace Framework
{
class CPropertyPage : public CDialogBase
{
public:
    explicit CPropertyPage(UINT templateId) : m_templateId(templateId) {}

    // The page for a sheet; the object must outlive the sheet's window.
    HPROPSHEETPAGE CreatePage();

protected:
    // The answer to WM_INITDIALOG: true lets the dialog manager set the focus.
    virtual bool OnInitDialog() { return true; }
    // PSN_SETACTIVE and PSN_KILLACTIVE; the page always accepts both.
    virtual void OnSetActive() {}
    virtual void OnKillActive() {}
    virtual bool OnCommand(WORD /*code*/, WORD /*id*/, HWND /*control*/) { return false; }
    // Notifications of the page's own controls.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnDestroy() {}

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const UINT m_templateId;
};
} // namespace Framework
