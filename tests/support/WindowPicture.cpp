#include "WindowPicture.h"

#include "common/UniqueHandle.h"

#include <cstdio>
#include <vector>

void SaveWindowPicture(HWND window, const std::string& name)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Only the part on the screen: the screen cannot be read beyond its edge,
    // and a copy that reaches past it copies nothing at all.
    RECT rect;
    RECT desktop;
    ::GetWindowRect(window, &rect);
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    ::IntersectRect(&rect, &rect, &desktop);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
    {
        return;
    }
    const Common::CUniqueScreenDc screen(::GetDC(nullptr));
    Common::CUniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    void* bits = nullptr;
    Common::CUniqueBitmap bitmap(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                                    DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        const Common::CSelectedObject selected(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    }
    ::GdiFlush();

    ::CreateDirectoryA("..\\screenshots", nullptr);
    FILE* file = std::fopen(("..\\screenshots\\" + name + ".bmp").c_str(), "wb");
    if (file == nullptr || bits == nullptr)
    {
        if (file != nullptr)
        {
            std::fclose(file);
        }
        return;
    }
    const DWORD bytes = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4u;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + bytes;
    std::fwrite(&header, sizeof(header), 1, file);
    std::fwrite(&info, sizeof(info), 1, file);
    std::fwrite(bits, bytes, 1, file);
    std::fclose(file);
}
