// One owner type for every kind of Windows handle: not copyable, movable,
// closed exactly once with the function its traits name. Sockets and WinINet
// handles have their traits in UniqueSocket.h and UniqueInternetHandle.h, so
// that only the files that use them pull in those headers.
#pragma once

#include <windows.h>

#include <utility>

namespace Common
{
template <typename Traits> class CUniqueHandle
{
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() noexcept : m_handle(Traits::Invalid()) {}
    explicit CUniqueHandle(Handle handle) noexcept : m_handle(handle) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::Invalid(); }

    Handle release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid()) noexcept
    {
        Handle previous = std::exchange(m_handle, handle);
        if (previous != Traits::Invalid())
        {
            Traits::Close(previous);
        }
    }
    // For functions that return a handle through a pointer argument.
    Handle* put() noexcept
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle;
};

// Handles whose "none" is null and that one function releases.
template <typename H, auto CloseFunction> struct NullHandleTraits
{
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseFunction(h); }
};

// Files from CreateFile, which reports failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits
{
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// A device context of the whole screen, from GetDC(nullptr).
struct ScreenDcTraits
{
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::ReleaseDC(nullptr, h); }
};

using CUniqueKernelHandle = CUniqueHandle<NullHandleTraits<HANDLE, &::CloseHandle>>;
using CUniqueFile = CUniqueHandle<FileHandleTraits>;
using CUniqueKey = CUniqueHandle<NullHandleTraits<HKEY, &::RegCloseKey>>;
using CUniqueModule = CUniqueHandle<NullHandleTraits<HMODULE, &::FreeLibrary>>;
using CUniqueDesktop = CUniqueHandle<NullHandleTraits<HDESK, &::CloseDesktop>>;
// Icons from LoadImage without LR_SHARED; shared ones belong to the system.
using CUniqueIcon = CUniqueHandle<NullHandleTraits<HICON, &::DestroyIcon>>;
using CUniqueMenu = CUniqueHandle<NullHandleTraits<HMENU, &::DestroyMenu>>;
// GDI objects go with DeleteObject; memory device contexts with DeleteDC.
using CUniqueBitmap = CUniqueHandle<NullHandleTraits<HBITMAP, &::DeleteObject>>;
using CUniqueFont = CUniqueHandle<NullHandleTraits<HFONT, &::DeleteObject>>;
using CUniqueBrush = CUniqueHandle<NullHandleTraits<HBRUSH, &::DeleteObject>>;
using CUniqueMemoryDc = CUniqueHandle<NullHandleTraits<HDC, &::DeleteDC>>;
using CUniqueScreenDc = CUniqueHandle<ScreenDcTraits>;

// BeginPaint and EndPaint for one WM_PAINT: EndPaint must follow even when
// BeginPaint gave no device context, or the window stays invalid and is sent
// WM_PAINT again at once.
class CPaintDc
{
public:
    explicit CPaintDc(HWND window) noexcept : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    ~CPaintDc() { ::EndPaint(m_window, &m_paint); }
    CPaintDc(const CPaintDc&) = delete;
    CPaintDc& operator=(const CPaintDc&) = delete;

    HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint = {};
    HDC m_dc;
};

// Selects an object into a device context for one scope and puts back what
// was selected before: an object must not be deleted while it is selected,
// and a context must get back its own objects before it is released.
class CSelectedObject
{
public:
    // A null object selects nothing and restores nothing.
    CSelectedObject(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_previous(object != nullptr ? ::SelectObject(dc, object) : nullptr)
    {
    }
    ~CSelectedObject()
    {
        if (m_previous != nullptr && m_previous != HGDI_ERROR)
        {
            ::SelectObject(m_dc, m_previous);
        }
    }
    CSelectedObject(const CSelectedObject&) = delete;
    CSelectedObject& operator=(const CSelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
} // namespace Common
