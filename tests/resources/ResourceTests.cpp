// Opens the built tidelight.exe as a data file and draws the icons the panel
// and the tray load from it, at the sizes they are drawn at.
#include "common/UniqueHandle.h"
#include "resources/resource.h"
#include "support/ProgramPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
HMODULE Program()
{
    static const Common::CUniqueModule program(
        ::LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    return program.get();
}

const void* Resource(LPCSTR type, int id, DWORD& size)
{
    const HRSRC info = ::FindResourceA(Program(), MAKEINTRESOURCEA(id), type);
    size = info != nullptr ? ::SizeofResource(Program(), info) : 0;
    return info != nullptr ? ::LockResource(::LoadResource(Program(), info)) : nullptr;
}

// The width of the image the system picks for that size, read from the
// image itself: another size would be drawn scaled, and blurred.
int PickedWidth(int id, int size)
{
    DWORD bytes = 0;
    auto* directory = static_cast<BYTE*>(const_cast<void*>(Resource(RT_GROUP_ICON, id, bytes)));
    const int image = directory != nullptr
                          ? ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR)
                          : 0;
    BITMAPINFOHEADER header = {};
    const void* bits = Resource(RT_ICON, image, bytes);
    if (bits == nullptr || bytes < sizeof(header))
    {
        return 0;
    }
    std::memcpy(&header, bits, sizeof(header));
    return header.biWidth;
}

// Draws the icon with its mask onto magenta; true where it changed a pixel.
std::vector<bool> Painted(int id, int size)
{
    const Common::CUniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(Program(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD* pixels = nullptr;
    const Common::CUniqueBitmap surface(
        ::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0));
    const Common::CUniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!icon || !surface || !dc)
    {
        return {};
    }
    const HGDIOBJ previous = ::SelectObject(dc.get(), surface.get());
    std::fill(pixels, pixels + size * size, 0x00FF00FFu);
    ::DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    std::vector<bool> painted(size * size);
    std::transform(pixels, pixels + size * size, painted.begin(),
                   [](DWORD p) { return (p & 0xFFFFFF) != 0xFF00FF; });
    ::SelectObject(dc.get(), previous);
    return painted;
}
} // namespace

TEST(Resources, IconsHaveAnImageOfEverySizeTheyAreDrawnAtAndAreTransparentAround)
{
    const struct
    {
        int id;
        std::vector<int> sizes;
    } icons[] = {{IDI_TIDELIGHT, {48, 32, 24, 16}}, {IDI_CHANNEL_GAME, {32}},
                 {IDI_CHANNEL_INTERNET, {32}},      {IDI_CHANNEL_EXCLAMATION, {32}},
                 {IDI_CHANNEL_CALENDAR, {32}},      {IDI_ERROR_NOTICE, {32}},
                 {IDI_DOWNLOAD_SERVICE, {32}},      {IDI_CHANNEL_MAIL, {32}},
                 {IDI_CHANNEL_STAR, {32}},          {IDI_CHANNEL_HEART, {32}}};
    ASSERT_NE(nullptr, Program()) << ProgramPath();
    for (const auto& icon : icons)
    {
        SCOPED_TRACE(icon.id);
        for (int size : icon.sizes)
        {
            EXPECT_EQ(size, PickedWidth(icon.id, size));
        }
        const std::vector<bool> painted = Painted(icon.id, 32);
        ASSERT_EQ(32u * 32u, painted.size());
        EXPECT_FALSE(painted[0] || painted[31]) << "the top corners show through";
        EXPECT_TRUE(painted[16 * 32 + 16]);
    }
}

// The buttons are drawn 12 pixels apart at x 286 over a column whose inside
// spans x 289-298: a glyph may use only columns 3-12 and rows 0-10 of its
// 16 x 16 image, or it would cover the column's bevel or the next button.
TEST(Resources, ButtonGlyphsStayInsideTheirOwnPartOfTheColumn)
{
    for (int id : {IDI_BUTTON_CLOSE, IDI_BUTTON_EXPAND, IDI_BUTTON_COLLAPSE, IDI_BUTTON_DOWNLOAD})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(16, PickedWidth(id, 16));
        const std::vector<bool> painted = Painted(id, 16);
        ASSERT_EQ(256u, painted.size());
        int inside = 0;
        std::string strays;
        for (int i = 0; i < 256; ++i)
        {
            const bool allowed = i % 16 >= 3 && i % 16 <= 12 && i / 16 <= 10;
            inside += painted[i] && allowed ? 1 : 0;
            strays += painted[i] && !allowed
                          ? " (" + std::to_string(i % 16) + ", " + std::to_string(i / 16) + ")"
                          : "";
        }
        EXPECT_EQ("", strays) << "paints outside its place";
        EXPECT_GE(inside, 12) << "draws almost nothing";
    }
}
