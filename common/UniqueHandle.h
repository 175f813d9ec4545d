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

struct SocketTraits
{
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle h) noexcept { ::closesocket(h); }
};

using CUniqueKernelHandle = CUniqueHandle<NullHandleTraits<HANDLE, &::CloseHandle>>;
using CUniqueFile = CUniqueHandle<FileHandleTraits>;
using CUniqueKey = CUniqueHandle<NullHandleTraits<HKEY, &::RegCloseKey>>;
using CUniqueModule = CUniqueHandle<NullHandleTraits<HMODULE, &::FreeLibrary>>;
using CUniqueIcon = CUniqueHandle<NullHandleTraits<HICON, &::DestroyIcon>>;
using CUniqueMenu = CUniqueHandle<NullHandleTraits<HMENU, &::DestroyMenu>>;
// Bitmaps go with DeleteObject; memory device contexts with DeleteDC.
using CUniqueBitmap = CUniqueHandle<NullHandleTraits<HBITMAP, &::DeleteObject>>;
using CUniqueMemoryDc = CUniqueHandle<NullHandleTraits<HDC, &::DeleteDC>>;
using CUniqueInternetHandle = CUniqueHandle<NullHandleTraits<HINTERNET, &::InternetCloseHandle>>;
using CUniqueSocket = CUniqueHandle<SocketTraits>;
} // namespace Common
