#include "framework/ModelessDialog.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
class CProbeDialog : public Framework::CModelessDialog<CProbeDialog>
{
public:
    enum
    {
        IDD = IDD_DESKTOPPANEL
    };

protected:
    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

// Records whether the dialog procedure could still find its object when the
// window's last messages arrived.
LRESULT CALLBACK WatchLastMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR foundObject)
{
    if (message == WM_DESTROY || message == WM_NCDESTROY)
    {
        *reinterpret_cast<int*>(foundObject) += ::GetWindowLongPtrA(window, DWLP_USER) != 0 ? 1 : 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

TEST(DialogBase, AnObjectDeletedBeforeItsWindowIsDetachedFirst)
{
    auto* dialog = new CProbeDialog;
    const HWND window = dialog->Create(nullptr);
    ASSERT_TRUE(::IsWindow(window));
    int foundObject = 0;
    ::SetWindowSubclass(window, &WatchLastMessages, 1, reinterpret_cast<DWORD_PTR>(&foundObject));
    // By the time the base destroys the window the derived part is gone: its
    // last messages, delivered to the object, would call a pure virtual.
    delete dialog;
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(0, foundObject);
}
} // namespace
