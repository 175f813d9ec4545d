// One owner type for every kind of Windows handle: not copyable, movable,
// closed exactly once with the function its traits name.
#pragma once

// winsock2.h must come before windows.h wherever the latter might pull in
// the older winsock.h.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

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

struct KernelHandleTraits
{
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// Files from CreateFile, which reports failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits
{
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct RegistryKeyTraits
{
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

struct ModuleTraits
{
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};

struct IconTraits
{
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};

struct MenuTraits
{
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};

// Bitmaps, fonts, brushes and the other objects DeleteObject releases.
template <typename GdiHandle> struct GdiObjectTraits
{
    using Handle = GdiHandle;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

// Memory device contexts made by CreateCompatibleDC.
struct MemoryDcTraits
{
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};

struct InternetHandleTraits
{
    using Handle = HINTERNET;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::InternetCloseHandle(h); }
};

struct SocketTraits
{
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle h) noexcept { ::closesocket(h); }
};

using CUniqueKernelHandle = CUniqueHandle<KernelHandleTraits>;
using CUniqueFile = CUniqueHandle<FileHandleTraits>;
using CUniqueKey = CUniqueHandle<RegistryKeyTraits>;
using CUniqueModule = CUniqueHandle<ModuleTraits>;
using CUniqueIcon = CUniqueHandle<IconTraits>;
using CUniqueMenu = CUniqueHandle<MenuTraits>;
using CUniqueBitmap = CUniqueHandle<GdiObjectTraits<HBITMAP>>;
using CUniqueMemoryDc = CUniqueHandle<MemoryDcTraits>;
using CUniqueInternetHandle = CUniqueHandle<InternetHandleTraits>;
using CUniqueSocket = CUniqueHandle<SocketTraits>;
} // namespace Common
