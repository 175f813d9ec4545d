#include "presentation/PanelPainter.h"

#include "common/UniqueHandle.h"
#include "common/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using Presentation::CPanelPainter;

namespace
{
// A 32-bit top-down frame the painter draws on and the test reads.
class CFrame
{
public:
    explicit CFrame(bool full) : m_height(CPanelPainter::Height(full))
    {
        m_info.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -m_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_bitmap.reset(
            ::CreateDIBSection(m_dc, &m_info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_selected.emplace(m_dc, m_bitmap.get());
    }
    void Compose(const char* title, const char* description, DWORD scheme, const char* enclosure = "")
    {
        CHeadline headline;
        headline.SetChannelTitle(title);
        headline.SetTitle(title);
        headline.SetDescription(description);
        headline.SetEnclosureUrl(enclosure);
        headline.Seal();
        CPanelPainter().Compose(m_dc, headline, scheme, scheme, m_height == CPanelPainter::FullHeight);
        ::GdiFlush();
    }
    COLORREF At(int x, int y) const
    {
        const DWORD pixel = m_bits[y * 300 + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // The pixels of an area, row by row.
    std::vector<COLORREF> Area(RECT area) const
    {
        std::vector<COLORREF> pixels;
        for (int y = area.top; y < area.bottom; ++y)
        {
            for (int x = area.left; x < area.right; ++x)
            {
                pixels.push_back(At(x, y));
            }
        }
        return pixels;
    }
    bool Contains(COLORREF color, RECT area) const
    {
        const std::vector<COLORREF> pixels = Area(area);
        return std::find(pixels.begin(), pixels.end(), color) != pixels.end();
    }
    // Keeps the frame under build/screenshots for a person to look at.
    void Save(const std::string& name) const
    {
        ::CreateDirectoryA("..\\screenshots", nullptr);
        FILE* file = std::fopen(("..\\screenshots\\" + name + ".bmp").c_str(), "wb");
        if (file != nullptr)
        {
            const DWORD bytes = 300u * static_cast<DWORD>(m_height) * 4u;
            const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
            const BITMAPFILEHEADER header = {0x4D42, offset + bytes, 0, 0, offset};
            std::fwrite(&header, sizeof(header), 1, file);
            std::fwrite(&m_info.bmiHeader, sizeof(m_info.bmiHeader), 1, file);
            std::fwrite(m_bits, bytes, 1, file);
            std::fclose(file);
        }
    }

private:
    int m_height;
    BITMAPINFO m_info = {};
    Common::CUniqueMemoryDc m_dcOwner{::CreateCompatibleDC(nullptr)};
    const HDC m_dc = m_dcOwner.get();
    Common::CUniqueBitmap m_bitmap;
    std::optional<Common::CSelectedObject> m_selected; // goes first: the bitmap leaves the context
    DWORD* m_bits = nullptr;
};

const RECT TitleArea = {50, 25, 278, 60};
const RECT DescriptionArea = {15, 65, 273, 135};
const RECT ArrowArea = {289, 26, 299, 40};
} // namespace

TEST(PanelPainter, EverySchemeAndLayoutShowsItsColoursTextAndArrow)
{
    const char* story =
        "While the pointer rests on the panel, the headline stays. Double-click it to open the "
        "story in your browser; the arrow downloads what the story carries.";
    // The colour each scheme's gradient starts from, at the top left, as
    // the Channels page names them: dark blue, light green, light blue,
    // pink, light grey and white.
    const COLORREF starts[] = {RGB(0, 178, 255),   RGB(153, 255, 0),   RGB(0, 178, 255),
                               RGB(213, 149, 213), RGB(204, 204, 204), RGB(255, 255, 255)};
    for (DWORD scheme = 0; scheme < 6; ++scheme)
    {
        for (bool full : {true, false})
        {
            SCOPED_TRACE(std::to_string(scheme) + (full ? " full" : " compact"));
            const COLORREF start = starts[scheme];
            // Lightened white would vanish on the white scheme: it writes grey.
            const COLORREF ink = scheme == 5 ? RGB(144, 144, 144) : CPanelPainter::TextColor(scheme, start);
            CFrame frame(full);
            frame.Compose("Headlines slide in at the right edge", story, scheme, "http://127.0.0.1/a.mp3");
            frame.Save(std::string("panel-") + (full ? "full" : "compact") + "-scheme-" +
                       std::to_string(scheme));
            const COLORREF corner = frame.At(3, 2);
            EXPECT_LE(std::abs(GetRValue(corner) - GetRValue(start)) +
                          std::abs(GetGValue(corner) - GetGValue(start)) +
                          std::abs(GetBValue(corner) - GetBValue(start)),
                      6);
            EXPECT_TRUE(frame.Contains(ink, TitleArea));
            // The description shows only in the full layout.
            EXPECT_EQ(full, frame.Contains(ink, full ? DescriptionArea : RECT{15, 62, 273, 68}));
            // The arrow is there exactly when the headline carries a file.
            CFrame bare(full);
            bare.Compose("Headlines slide in at the right edge", story, scheme);
            EXPECT_NE(frame.Area(ArrowArea), bare.Area(ArrowArea));
        }
    }
}

TEST(PanelPainter, ErrorsAndUnknownIconIndexesGetIconsOfTheirOwn)
{
    CHeadline error;
    error.SetChannelTitle("Application error");
    EXPECT_EQ(228, CPanelPainter::ChannelIconId(error, 1));
    EXPECT_EQ(207, CPanelPainter::ChannelIconId(CHeadline(), 42))
        << "an index from the registry beyond the last";
}

TEST(PanelPainter, TitlesInEveryScriptShowTheirOwnGlyphsFromTheirOwnSide)
{
    // Each title beside a twin whose letters are all its first one: a font
    // without the script draws the same box for every character, so the two
    // would look alike. Shaped Arabic differs from its twin whatever the font
    // draws, so only its side counts.
    const struct
    {
        const char* name;
        const char* title;
        bool rightToLeft;
    } cases[] = {
        {"russian", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80", false},
        {"greek", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", false},
        {"arabic",
         "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xD8\xA8\xD8\xA7\xD9\x84\xD8\xB9\xD8\xA7\xD9\x84\xD9\x85",
         true},
        {"hebrew", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D", true},
        {"chinese", "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C", false},
        {"japanese", "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\xE6\x9D\xB1\xE4\xBA\xAC",
         false},
        {"korean", "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94", false},
        {"french", "\xC5\x92ufs, cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 et caf\xC3\xA9", false},
        {"emoji", "Launch \xF0\x9F\x9A\x80 today", false},
    };
    const COLORREF ink = CPanelPainter::TextColor(0, RGB(0, 178, 255));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CFrame frame(true);
        frame.Compose(c.title, c.title, 0);
        frame.Save(std::string("panel-script-") + c.name);
        std::wstring twin = Common::Widen(c.title);
        for (wchar_t& letter : twin)
        {
            letter = letter == L' ' || letter == L',' || IS_HIGH_SURROGATE(letter) || IS_LOW_SURROGATE(letter)
                         ? letter
                         : twin[0];
        }
        CFrame other(true);
        other.Compose(Common::Narrow(twin.c_str()), c.title, 0);
        EXPECT_TRUE(std::string(c.name) == "arabic" || frame.Area(TitleArea) != other.Area(TitleArea))
            << "the title looks like its twin";
        // Short titles: the ink starts at the reading side and stops well
        // before the other.
        int first = -1;
        int last = -1;
        for (int x = TitleArea.left; x < TitleArea.right; ++x)
        {
            if (frame.Contains(ink, RECT{x, TitleArea.top, x + 1, TitleArea.bottom}))
            {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        ASSERT_GE(first, 0);
        EXPECT_TRUE(c.rightToLeft ? first > 100 && last > 240 : first < 70 && last < 240)
            << first << "-" << last;
    }
}
