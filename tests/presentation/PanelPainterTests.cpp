#include "presentation/PanelPainter.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

using Presentation::CPanelPainter;

namespace
{
// A 32-bit top-down surface whose pixels the test can read.
class CSurface
{
public:
    explicit CSurface(int height) : m_height(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 300;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_previous = ::SelectObject(m_dc, m_bitmap);
    }
    ~CSurface()
    {
        ::SelectObject(m_dc, m_previous);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const DWORD pixel = m_bits[y * 300 + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    bool Contains(COLORREF color, RECT area) const
    {
        for (int y = area.top; y < area.bottom; ++y)
        {
            for (int x = area.left; x < area.right; ++x)
            {
                if (At(x, y) == color)
                {
                    return true;
                }
            }
        }
        return false;
    }
    // Keeps a picture of the frame under build/screenshots for a look.
    void Save(const std::string& name) const
    {
        ::CreateDirectoryA("..\\screenshots", nullptr);
        const std::string path = "..\\screenshots\\" + name + ".bmp";
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
        {
            return;
        }
        BITMAPFILEHEADER header = {};
        BITMAPINFOHEADER info = {};
        info.biSize = sizeof(info);
        info.biWidth = 300;
        info.biHeight = -m_height;
        info.biPlanes = 1;
        info.biBitCount = 32;
        const DWORD bytes = 300u * static_cast<DWORD>(m_height) * 4u;
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(header) + sizeof(info);
        header.bfSize = header.bfOffBits + bytes;
        ::GdiFlush();
        std::fwrite(&header, sizeof(header), 1, file);
        std::fwrite(&info, sizeof(info), 1, file);
        std::fwrite(m_bits, bytes, 1, file);
        std::fclose(file);
    }

private:
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    DWORD* m_bits = nullptr;
};

CHeadline Headline(const char* channel, const char* title, const char* description, const char* enclosure = "")
{
    CHeadline headline;
    headline.SetChannelTitle(channel);
    headline.SetTitle(title);
    headline.SetDescription(description);
    headline.SetEnclosureUrl(enclosure);
    headline.Seal();
    return headline;
}

// The gradient as defined: columns two pixels wide, truncating division.
int Expected(int start, int end, int x, int y)
{
    const int i = x / 2;
    const int top = start + (i * (end - start)) / 256;
    return top + (y * (end - top)) / 256;
}

COLORREF Lightened(COLORREF color, int delta)
{
    WORD h = 0, l = 0, s = 0;
    ::ColorRGBToHLS(color, &h, &l, &s);
    int adjusted = l + delta;
    adjusted = adjusted > 255 ? 230 : (adjusted < 0 ? 25 : adjusted);
    return ::ColorHLSToRGB(h, static_cast<WORD>(adjusted), s);
}
} // namespace

TEST(PanelPainter, GradientCellsFollowTheFormula)
{
    CPanelPainter painter;
    const CHeadline headline = Headline("Channel", "Title", "");
    struct Scheme
    {
        DWORD index;
        COLORREF start;
        COLORREF end;
    } schemes[] = {{0, RGB(0, 178, 255), RGB(0, 85, 121)}, {3, RGB(213, 149, 213), RGB(123, 86, 123)}};
    const POINT cells[] = {{2, 100}, {101, 140}, {150, 148}, {250, 70}, {285, 120}, {293, 100}};
    for (const Scheme& scheme : schemes)
    {
        CSurface surface(150);
        painter.Compose(surface.Dc(), headline, scheme.index, 0, true);
        for (const POINT& cell : cells)
        {
            const COLORREF actual = surface.At(cell.x, cell.y);
            EXPECT_EQ(Expected(GetRValue(scheme.start), GetRValue(scheme.end), cell.x, cell.y), GetRValue(actual));
            EXPECT_EQ(Expected(GetGValue(scheme.start), GetGValue(scheme.end), cell.x, cell.y), GetGValue(actual));
            EXPECT_EQ(Expected(GetBValue(scheme.start), GetBValue(scheme.end), cell.x, cell.y), GetBValue(actual))
                << "scheme " << scheme.index << " at " << cell.x << "," << cell.y;
        }
    }
}

TEST(PanelPainter, BevelsUseTheLightenedStartAndDarkenedEnd)
{
    CPanelPainter painter;
    CSurface surface(70);
    painter.Compose(surface.Dc(), Headline("Channel", "Title", ""), 4, 0, false);
    const COLORREF highlight = Lightened(RGB(204, 204, 204), 40);
    const COLORREF shadow = Lightened(RGB(102, 102, 102), -20);
    EXPECT_EQ(highlight, surface.At(150, 0));
    EXPECT_EQ(highlight, surface.At(0, 40));
    EXPECT_EQ(shadow, surface.At(287, 40));
    EXPECT_EQ(shadow, surface.At(150, 69));
    EXPECT_EQ(highlight, surface.At(288, 50));
    EXPECT_EQ(shadow, surface.At(299, 50));
    // A start colour with a high luminance clamps to 230.
    WORD h = 0, l = 0, s = 0;
    ::ColorRGBToHLS(CPanelPainter::HighlightColor(RGB(255, 255, 255)), &h, &l, &s);
    EXPECT_EQ(230, l);
}

TEST(PanelPainter, WhiteSchemeWritesGreyAndOthersTheLightenedStart)
{
    CPanelPainter painter;
    const RECT titleArea = {50, 25, 278, 60};
    const RECT descriptionArea = {15, 65, 273, 135};
    {
        CSurface surface(150);
        painter.Compose(surface.Dc(), Headline("White", "A title in grey", "And a grey description"), 5, 0, true);
        EXPECT_TRUE(surface.Contains(RGB(144, 144, 144), titleArea));
        EXPECT_TRUE(surface.Contains(RGB(144, 144, 144), descriptionArea));
        surface.Save("panel-scheme-5");
    }
    CSurface surface(150);
    painter.Compose(surface.Dc(), Headline("Green", "A title", "A description"), 1, 0, true);
    EXPECT_TRUE(surface.Contains(Lightened(RGB(153, 255, 0), 100), titleArea));
    EXPECT_FALSE(surface.Contains(RGB(144, 144, 144), titleArea));
}

TEST(PanelPainter, DescriptionOnlyInTheFullLayout)
{
    CPanelPainter painter;
    const CHeadline headline = Headline("Channel", "Title", "A description that shows only in the full layout");
    CSurface full(150);
    painter.Compose(full.Dc(), headline, 2, 0, true);
    const COLORREF text = CPanelPainter::TextColor(2, RGB(0, 178, 255));
    EXPECT_TRUE(full.Contains(text, RECT{15, 65, 273, 135}));
    CSurface compact(70);
    painter.Compose(compact.Dc(), headline, 2, 0, false);
    EXPECT_FALSE(compact.Contains(text, RECT{15, 62, 273, 68}));
}

TEST(PanelPainter, DownloadArrowExactlyWhenThereIsAnEnclosure)
{
    CPanelPainter painter;
    auto arrowArea = [](const CSurface& surface) {
        for (int y = 26; y < 40; ++y)
        {
            for (int x = 289; x < 299; ++x)
            {
                const COLORREF gradient = RGB(Expected(0, 0, x, y), Expected(178, 85, x, y), Expected(255, 121, x, y));
                if (surface.At(x, y) != gradient)
                {
                    return true;
                }
            }
        }
        return false;
    };
    CSurface without(150);
    painter.Compose(without.Dc(), Headline("Channel", "No file", ""), 0, 0, true);
    EXPECT_FALSE(arrowArea(without));
    CSurface with(150);
    painter.Compose(with.Dc(), Headline("Channel", "A file", "", "http://127.0.0.1/file.mp3"), 0, 0, true);
    EXPECT_TRUE(arrowArea(with));
}

TEST(PanelPainter, IconsByChannelAndForErrors)
{
    EXPECT_EQ(207, CPanelPainter::ChannelIconId(Headline("News", "t", ""), 0));
    EXPECT_EQ(233, CPanelPainter::ChannelIconId(Headline("News", "t", ""), 1));
    EXPECT_EQ(231, CPanelPainter::ChannelIconId(Headline("Tidelight downloads", "t", ""), 8));
    EXPECT_EQ(207, CPanelPainter::ChannelIconId(Headline("News", "t", ""), 42));
    EXPECT_EQ(228, CPanelPainter::ChannelIconId(Headline("Application error", "t", ""), 1));
}

TEST(PanelPainter, ScreenshotsOfEverySchemeAndBothLayouts)
{
    CPanelPainter painter;
    const CHeadline headline =
        Headline("tidelight demo", "Headlines slide in at the right edge of your screen, one at a time",
                 "While the pointer rests on the panel, the headline stays. Double-click it to open the "
                 "story in your browser; the arrow downloads what the story carries.",
                 "http://127.0.0.1/a.mp3");
    for (DWORD scheme = 0; scheme < 6; ++scheme)
    {
        for (bool full : {true, false})
        {
            CSurface surface(CPanelPainter::Height(full));
            painter.Compose(surface.Dc(), headline, scheme, scheme + 1, full);
            surface.Save("panel-" + std::string(full ? "full" : "compact") + "-scheme-" + std::to_string(scheme));
            COLORREF start = 0;
            COLORREF end = 0;
            CPanelPainter::SchemeColors(scheme, start, end);
            EXPECT_TRUE(surface.Contains(CPanelPainter::TextColor(scheme, start), RECT{50, 25, 278, 60}))
                << "scheme " << scheme;
        }
    }
}

namespace
{
// The columns of the title box where the title's colour shows, or {-1, -1}.
std::pair<int, int> InkColumns(const CSurface& surface, COLORREF ink)
{
    std::pair<int, int> columns(-1, -1);
    for (int x = 50; x < 278; ++x)
    {
        if (surface.Contains(ink, RECT{x, 25, x + 1, 60}))
        {
            columns.first = columns.first < 0 ? x : columns.first;
            columns.second = x;
        }
    }
    return columns;
}

std::vector<COLORREF> TitlePixels(const CSurface& surface)
{
    std::vector<COLORREF> pixels;
    for (int y = 25; y < 60; ++y)
    {
        for (int x = 50; x < 278; ++x)
        {
            pixels.push_back(surface.At(x, y));
        }
    }
    return pixels;
}
} // namespace

TEST(PanelPainter, TitlesInEveryScriptShowTheirOwnGlyphsFromTheirOwnSide)
{
    // Each title beside a twin made of its first character only: a font
    // without the script draws the same box for every character, so the
    // two would look alike.
    const struct
    {
        const char* name;
        const char* title;
        const char* twin;
        bool rightToLeft;
        // Shaped Arabic differs from its twin whatever the font draws, so
        // only its side is checked.
        bool glyphsChecked = true;
    } cases[] = {
        {"russian", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80",
         "\xD0\x9F\xD0\x9F\xD0\x9F\xD0\x9F\xD0\x9F\xD0\x9F, \xD0\x9F\xD0\x9F\xD0\x9F", false},
        {"greek", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1",
         "\xCE\x9A\xCE\x9A\xCE\x9A\xCE\x9A\xCE\x9A\xCE\x9A\xCE\x9A", false},
        {"arabic",
         "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xD8\xA8\xD8\xA7\xD9\x84\xD8\xB9\xD8\xA7\xD9\x84\xD9\x85",
         "\xD9\x85\xD9\x85\xD9\x85\xD9\x85\xD9\x85 \xD9\x85\xD9\x85\xD9\x85\xD9\x85\xD9\x85\xD9\x85", true, false},
        {"hebrew", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D",
         "\xD7\xA9\xD7\xA9\xD7\xA9\xD7\xA9 \xD7\xA9\xD7\xA9\xD7\xA9\xD7\xA9", true},
        {"chinese", "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C",
         "\xE4\xBD\xA0\xE4\xBD\xA0\xE4\xBD\xA0\xE4\xBD\xA0", false},
        {"japanese", "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\xE6\x9D\xB1\xE4\xBA\xAC",
         "\xE3\x81\x93\xE3\x81\x93\xE3\x81\x93\xE3\x81\x93\xE3\x81\x93\xE3\x81\x93\xE3\x81\x93", false},
        {"korean", "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94",
         "\xEC\x95\x88\xEC\x95\x88\xEC\x95\x88\xEC\x95\x88\xEC\x95\x88", false},
        {"french", "\xC5\x92ufs, cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 et caf\xC3\xA9",
         "\xC5\x92\xC5\x92\xC5\x92\xC5\x92, \xC5\x92\xC5\x92\xC5\x92\xC5\x92\xC5\x92 "
         "\xC5\x92\xC5\x92\xC5\x92\xC5\x92"
         "\xC5\x92\xC5\x92\xC5\x92 \xC5\x92\xC5\x92 \xC5\x92\xC5\x92\xC5\x92\xC5\x92",
         false},
        {"emoji", "Launch \xF0\x9F\x9A\x80 today", "LLLLLL \xF0\x9F\x9A\x80 LLLLL", false},
    };
    CPanelPainter painter;
    const COLORREF ink = CPanelPainter::TextColor(0, RGB(0, 178, 255));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSurface surface(CPanelPainter::FullHeight);
        painter.Compose(surface.Dc(), Headline(c.title, c.title, c.title), 0, 0, true);
        surface.Save(std::string("panel-script-") + c.name);
        CSurface twin(CPanelPainter::FullHeight);
        painter.Compose(twin.Dc(), Headline(c.title, c.twin, c.title), 0, 0, true);
        if (c.glyphsChecked)
        {
            EXPECT_TRUE(TitlePixels(surface) != TitlePixels(twin)) << "the title looks like its twin";
        }

        const std::pair<int, int> columns = InkColumns(surface, ink);
        ASSERT_GE(columns.first, 0);
        // Short titles: the ink starts at the reading side and stops well
        // before the other.
        if (c.rightToLeft)
        {
            EXPECT_GT(columns.second, 240);
            EXPECT_GT(columns.first, 100);
        }
        else
        {
            EXPECT_LT(columns.first, 70);
            EXPECT_LT(columns.second, 240);
        }
    }
}
