// Opens the built tidelight.exe as a data file and checks the resources the
// panel, the tray and the help service load from it: every icon with the
// images it is drawn from, the tray menu item by item, and the usage tips.
#include "common/UniqueHandle.h"
#include "resources/resource.h"

#include "support/ProgramPath.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{
// (width, bits per pixel) of one image of an icon.
using Image = std::pair<int, int>;

// An icon holds one image for each of its sizes and depths; no depths
// listed means that any depths will do.
struct IconLayout
{
    int id;
    std::set<int> sizes;
    std::set<int> depths;
};

const std::set<int> ChannelDepths = {4, 8, 32};

const std::vector<IconLayout> ChannelIcons = {
    {IDI_CHANNEL_GAME, {32}, ChannelDepths},        {IDI_CHANNEL_INTERNET, {32}, ChannelDepths},
    {IDI_CHANNEL_EXCLAMATION, {32}, ChannelDepths}, {IDI_CHANNEL_CALENDAR, {32}, ChannelDepths},
    {IDI_ERROR_NOTICE, {32}, ChannelDepths},        {IDI_DOWNLOAD_SERVICE, {32}, ChannelDepths},
    {IDI_CHANNEL_MAIL, {32}, ChannelDepths},        {IDI_CHANNEL_STAR, {32}, ChannelDepths},
    {IDI_CHANNEL_HEART, {32}, ChannelDepths},
};

const std::vector<IconLayout> ButtonIcons = {
    {IDI_BUTTON_CLOSE, {16}, {4}},
    {IDI_BUTTON_EXPAND, {16}, {4}},
    {IDI_BUTTON_COLLAPSE, {16}, {4}},
    {IDI_BUTTON_DOWNLOAD, {16}, {4}},
};

const IconLayout ApplicationIcon = {IDI_TIDELIGHT, {48, 32, 24, 16}, {}};

class ResourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_module = new Common::CUniqueModule(
            ::LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    static void TearDownTestSuite()
    {
        delete s_module;
        s_module = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(*s_module) << "cannot open " << ProgramPath(); }

    static HMODULE Module() { return s_module->get(); }

    // The bytes of a resource, empty when it is missing.
    static std::vector<BYTE> ResourceBytes(LPCSTR type, int id)
    {
        const HRSRC info = ::FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
        if (info == nullptr)
        {
            return {};
        }
        const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(Module(), info)));
        return std::vector<BYTE>(data, data + ::SizeofResource(Module(), info));
    }

    static WORD Word(const std::vector<BYTE>& bytes, size_t offset)
    {
        WORD value = 0;
        std::memcpy(&value, &bytes[offset], sizeof(value));
        return value;
    }

    // Width and depth of the image stored under one RT_ICON id, read from
    // the image itself rather than from the directory that names it.
    static Image StoredImage(int imageId)
    {
        const std::vector<BYTE> bytes = ResourceBytes(RT_ICON, imageId);
        if (bytes.size() < sizeof(BITMAPINFOHEADER))
        {
            return {0, 0};
        }
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof(header));
        // An icon image is stored twice as high: colour bits, then the mask.
        if (header.biHeight != 2 * header.biWidth)
        {
            return {-1, -1};
        }
        return {header.biWidth, header.biBitCount};
    }

    // Every image of an icon group: its directory entries, 14 bytes each
    // after a 6-byte header, end with the RT_ICON id.
    static std::set<Image> StoredImages(int groupId)
    {
        const std::vector<BYTE> directory = ResourceBytes(RT_GROUP_ICON, groupId);
        std::set<Image> images;
        if (directory.size() < 6)
        {
            return images;
        }
        const WORD count = Word(directory, 4);
        for (WORD i = 0; i < count && 6 + 14 * (i + 1u) <= directory.size(); ++i)
        {
            images.insert(StoredImage(Word(directory, 6 + 14 * i + 12)));
        }
        return images;
    }

    static void ExpectImages(const IconLayout& layout)
    {
        const std::set<Image> stored = StoredImages(layout.id);
        if (layout.depths.empty())
        {
            std::set<int> sizes;
            for (const Image& image : stored)
            {
                sizes.insert(image.first);
            }
            EXPECT_EQ(layout.sizes, sizes) << "icon " << layout.id;
        }
        else
        {
            std::set<Image> expected;
            for (int size : layout.sizes)
            {
                for (int depth : layout.depths)
                {
                    expected.insert({size, depth});
                }
            }
            EXPECT_EQ(expected, stored) << "icon " << layout.id;
        }

        // Loading at each size picks an image of that very size, not a
        // scaled copy of another one.
        for (int size : layout.sizes)
        {
            const std::vector<BYTE> directory = ResourceBytes(RT_GROUP_ICON, layout.id);
            ASSERT_FALSE(directory.empty());
            const int chosen = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(directory.data()), TRUE, size,
                                                             size, LR_DEFAULTCOLOR);
            EXPECT_EQ(size, StoredImage(chosen).first) << "icon " << layout.id << " at " << size;

            Common::CUniqueIcon icon(static_cast<HICON>(
                ::LoadImageA(Module(), MAKEINTRESOURCEA(layout.id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
            ASSERT_TRUE(icon) << "icon " << layout.id << " at " << size;
            ICONINFO info = {};
            ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
            Common::CUniqueBitmap colour(info.hbmColor);
            Common::CUniqueBitmap mask(info.hbmMask);
            ASSERT_TRUE(colour);
            BITMAP bitmap = {};
            ASSERT_NE(0, ::GetObjectA(colour.get(), sizeof(bitmap), &bitmap));
            EXPECT_EQ(size, bitmap.bmWidth) << "icon " << layout.id;
            EXPECT_EQ(size, bitmap.bmHeight) << "icon " << layout.id;
        }
    }

    // Draws an icon with its mask onto a magenta square and reports which
    // pixels it changed, row by row.
    static std::vector<std::vector<bool>> PaintedPixels(int id, int size)
    {
        Common::CUniqueIcon icon(static_cast<HICON>(
            ::LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = size;
        format.bmiHeader.biHeight = -size; // top row first
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        Common::CUniqueBitmap surface(
            ::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        Common::CUniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
        if (!icon || !surface || !dc)
        {
            return {};
        }
        const HGDIOBJ previous = ::SelectObject(dc.get(), surface.get());
        DWORD* pixels = static_cast<DWORD*>(bits);
        const DWORD magenta = 0x00FF00FF;
        std::fill(pixels, pixels + size * size, magenta);
        ::DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
        std::vector<std::vector<bool>> painted(size, std::vector<bool>(size));
        for (int y = 0; y < size; ++y)
        {
            for (int x = 0; x < size; ++x)
            {
                painted[y][x] = (pixels[y * size + x] & 0x00FFFFFF) != magenta;
            }
        }
        ::SelectObject(dc.get(), previous);
        return painted;
    }

    static Common::CUniqueModule* s_module;
};

Common::CUniqueModule* ResourceTest::s_module = nullptr;

TEST_F(ResourceTest, IconsHoldTheSizesAndDepthsThePanelDrawsThemAt)
{
    ExpectImages(ApplicationIcon);
    for (const IconLayout& layout : ChannelIcons)
    {
        ExpectImages(layout);
    }
    for (const IconLayout& layout : ButtonIcons)
    {
        ExpectImages(layout);
    }
}

TEST_F(ResourceTest, IconsAreTransparentAroundTheirShape)
{
    std::vector<int> icons = {IDI_TIDELIGHT};
    for (const IconLayout& layout : ChannelIcons)
    {
        icons.push_back(layout.id);
    }
    for (int id : icons)
    {
        const std::vector<std::vector<bool>> painted = PaintedPixels(id, 32);
        ASSERT_EQ(32u, painted.size()) << "icon " << id;
        EXPECT_FALSE(painted[0][0]) << "icon " << id;
        EXPECT_FALSE(painted[0][31]) << "icon " << id;
        EXPECT_TRUE(painted[16][16]) << "icon " << id;
    }
}

// The buttons are drawn 12 pixels apart at x 286 over a column whose inside
// spans x 289-298: a glyph may use only columns 3-12 and rows 0-10 of its
// 16 x 16 image, or it would cover the column's bevel or the next button.
TEST_F(ResourceTest, ButtonGlyphsStayInsideTheirOwnPartOfTheColumn)
{
    for (const IconLayout& layout : ButtonIcons)
    {
        const std::vector<std::vector<bool>> painted = PaintedPixels(layout.id, 16);
        ASSERT_EQ(16u, painted.size()) << "icon " << layout.id;
        int inside = 0;
        std::string strays;
        for (int y = 0; y < 16; ++y)
        {
            for (int x = 0; x < 16; ++x)
            {
                if (!painted[y][x])
                {
                    continue;
                }
                if (x >= 3 && x <= 12 && y <= 10)
                {
                    ++inside;
                }
                else
                {
                    strays += " (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                }
            }
        }
        EXPECT_EQ("", strays) << "icon " << layout.id << " paints outside its place";
        EXPECT_GE(inside, 12) << "icon " << layout.id << " draws almost nothing";
    }
}

struct MenuEntry
{
    const char* text; // nullptr for a separator
    UINT id;          // 0 for a separator or a popup
    std::vector<MenuEntry> popup;
};

void ExpectMenu(HMENU menu, const std::vector<MenuEntry>& expected, const std::string& where)
{
    ASSERT_EQ(static_cast<int>(expected.size()), ::GetMenuItemCount(menu)) << where;
    for (UINT i = 0; i < expected.size(); ++i)
    {
        char text[128] = {};
        MENUITEMINFOA item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = sizeof(text);
        ASSERT_TRUE(::GetMenuItemInfoA(menu, i, TRUE, &item)) << where << " item " << i;
        const MenuEntry& entry = expected[i];
        const std::string at = where + " item " + std::to_string(i);
        if (entry.text == nullptr)
        {
            EXPECT_NE(0u, item.fType & MFT_SEPARATOR)
                << at << " should be a separator, is \"" << text << "\"";
            continue;
        }
        EXPECT_EQ(0u, item.fType & MFT_SEPARATOR) << at;
        EXPECT_STREQ(entry.text, text) << at;
        if (entry.popup.empty())
        {
            EXPECT_EQ(nullptr, item.hSubMenu) << at;
            EXPECT_EQ(entry.id, item.wID) << at << " \"" << entry.text << "\"";
        }
        else
        {
            ASSERT_NE(nullptr, item.hSubMenu) << at << " \"" << entry.text << "\" should open a popup";
            ExpectMenu(item.hSubMenu, entry.popup, at + " \"" + entry.text + "\"");
        }
    }
}

TEST_F(ResourceTest, TrayMenuHasTheCommandsInOrder)
{
    Common::CUniqueMenu menu(::LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
    ASSERT_TRUE(menu);
    ASSERT_EQ(1, ::GetMenuItemCount(menu.get()));
    const HMENU popup = ::GetSubMenu(menu.get(), 0);
    ASSERT_NE(nullptr, popup);

    const std::vector<MenuEntry> expected = {
        {"Headlines",
         0,
         {
             {"Repeat all", 32784, {}},
             {"Dismiss all", 32787, {}},
             {nullptr, 0, {}},
             {"Repeat last one", 32779, {}},
             {"Repeat last five", 32783, {}},
             {"Repeat last ten", 32780, {}},
         }},
        {nullptr, 0, {}},
        {"Channels...", 32786, {}},
        {"Configure...", 32776, {}},
        {"Downloads...", 32785, {}},
        {"About...", 32775, {}},
        {nullptr, 0, {}},
        {"Internet sites",
         0,
         {
             {"tidelight Weblog", 32791, {}},
             {"tidelight Live!", 32792, {}},
         }},
        {nullptr, 0, {}},
        {"Exit", 32777, {}},
    };
    ExpectMenu(popup, expected, "tray menu");
}

TEST_F(ResourceTest, UsageTipsHaveTheirExactTexts)
{
    const char* const tips[] = {
        "Your knowgledge about tidelight usage will be eventually enriched by this feature.",
        "You can disable this feature in the \"Options\" tab at the configuration window.",
        "tidelight Live! service allows you to keep a remote backup of your channel listing, allowing "
        "further "
        "synchornizations in both directions.",
        "Double-click this panel to open the headline website in your system's default browser.",
        "Grab the right knob of this panel and move your mouse up & down to change its position.",
        "Small buttons at right-upper corner of this panel allow you to close or set the layout of it.",
        "Set the \"Repeat headlines\" option for a channel and tidelight will popup always each headline in "
        "the "
        "polling interval until you manually close it.",
        "You can download media attached to headlines (if present) clickiing in the \"down arrow\" icon of "
        "this "
        "panel.",
        "Set the \"My browser supports tabs\" appropiately to improve compatibility between your default "
        "browser "
        "and tidelight.",
    };
    static_assert(sizeof(tips) / sizeof(tips[0]) == IDS_LAST_TIP - IDS_FIRST_TIP + 1, "one text per tip");
    for (int id = IDS_FIRST_TIP; id <= IDS_LAST_TIP; ++id)
    {
        char text[512] = {};
        const int length = ::LoadStringA(Module(), id, text, sizeof(text));
        EXPECT_EQ(std::string(tips[id - IDS_FIRST_TIP]), std::string(text, length)) << "string " << id;
    }
}

TEST_F(ResourceTest, PanelDialogIsPresent)
{
    EXPECT_NE(nullptr, ::FindResourceA(Module(), MAKEINTRESOURCEA(IDD_DESKTOPPANEL), RT_DIALOG));
}
} // namespace
