#include "PanelPainter.h"

#include "common/UniqueHandle.h"
#include "common/WideText.h"
#include "framework/Module.h"
#include "resources/resource.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace Presentation
{
namespace
{
// The Channels page lists these names in this order and stores the row
// index as the channel's colour, so a name and its colours share a row.
struct Scheme
{
    const char* name;
    COLORREF start;
    COLORREF end;
};

const Scheme Schemes[] = {
    {"Default (Dark blue)", RGB(0, 178, 255), RGB(0, 85, 121)},
    {"Light green", RGB(153, 255, 0), RGB(64, 106, 0)},
    {"Light blue", RGB(0, 178, 255), RGB(123, 184, 211)},
    {"Pink", RGB(213, 149, 213), RGB(123, 86, 123)},
    {"Light gray", RGB(204, 204, 204), RGB(102, 102, 102)},
    {"White", RGB(255, 255, 255), RGB(224, 224, 224)},
};
const DWORD SchemeCount = sizeof(Schemes) / sizeof(Schemes[0]);
const DWORD WhiteScheme = 5;

// Likewise for icons. The last row is the download service's own icon: it
// has no name, so the page does not offer it to channels.
struct ChannelIcon
{
    const char* name;
    int id;
};

const ChannelIcon Icons[] = {
    {"Default (RSS wave)", IDI_TIDELIGHT}, {"Star", IDI_CHANNEL_STAR},
    {"Heart", IDI_CHANNEL_HEART},          {"Exclamation", IDI_CHANNEL_EXCLAMATION},
    {"Calendar", IDI_CHANNEL_CALENDAR},    {"Game", IDI_CHANNEL_GAME},
    {"Internet", IDI_CHANNEL_INTERNET},    {"Mail", IDI_CHANNEL_MAIL},
    {nullptr, IDI_DOWNLOAD_SERVICE},
};
const DWORD IconCount = sizeof(Icons) / sizeof(Icons[0]);

const RECT ChannelTitleRect = {50, 10, 278, 25};
const RECT TitleRect = {50, 25, 278, 60};
const RECT DescriptionRect = {15, 65, 273, 135};

int Component(int start, int end, int i, int j)
{
    // C++ division truncates toward zero, as the gradient is defined.
    const int top = start + i * (end - start) / 256;
    return top + j * (end - top) / 256;
}

Common::CUniqueFont CreateTahoma(int weight)
{
    // Glyphs Tahoma lacks come from the fonts the system links to it.
    return Common::CUniqueFont(::CreateFontW(13, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                             FF_SWISS, L"Tahoma"));
}

bool IsEastAsian(wchar_t c)
{
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// A font of the selected one's size and weight, in a face that has Chinese,
// Japanese and Korean glyphs, for a text that holds any the selected font
// lacks; null when it has them all or no such face is installed. Windows
// links such faces to Tahoma itself, but Wine's Tahoma has none, and a link
// made for Wine draws every script, Latin too, poorly.
Common::CUniqueFont EastAsianFontFor(HDC surface, const std::wstring& text)
{
    std::vector<WORD> glyphs(text.size());
    if (std::none_of(text.begin(), text.end(), IsEastAsian) ||
        (::GetGlyphIndicesW(surface, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                            GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR &&
         std::none_of(glyphs.begin(), glyphs.end(), [](WORD glyph) { return glyph == 0xFFFF; })))
    {
        return Common::CUniqueFont();
    }
    LOGFONTW font = {};
    ::GetObjectW(::GetCurrentObject(surface, OBJ_FONT), sizeof(font), &font);
    for (const wchar_t* face : {L"Microsoft YaHei", L"Yu Gothic", L"Malgun Gothic", L"MS Gothic",
                                L"WenQuanYi Zen Hei", L"Noto Sans CJK SC"})
    {
        ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
        Common::CUniqueFont candidate(::CreateFontIndirectW(&font));
        wchar_t chosen[LF_FACESIZE] = {};
        {
            const Common::CSelectedObject selected(surface, candidate.get());
            ::GetTextFaceW(surface, LF_FACESIZE, chosen);
        }
        // The font mapper answers with another face when this one is missing.
        if (::lstrcmpiW(chosen, face) == 0)
        {
            return candidate;
        }
    }
    return Common::CUniqueFont();
}

// Shown text goes through the wide function, which reorders right-to-left
// runs; a text that starts in a right-to-left script also reads from the
// right edge of its box.
void DrawShownText(HDC surface, const CString& text, RECT rect, UINT format)
{
    if (Content::ReadsRightToLeft(text))
    {
        format |= DT_RIGHT | DT_RTLREADING;
    }
    const std::wstring wide = Common::Widen(text);
    const Common::CUniqueFont eastAsian = EastAsianFontFor(surface, wide);
    const Common::CSelectedObject selected(surface, eastAsian.get());
    ::DrawTextW(surface, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}
} // namespace

void CPanelPainter::SchemeColors(DWORD index, COLORREF& start, COLORREF& end)
{
    const Scheme& scheme = Schemes[index < SchemeCount ? index : 0];
    start = scheme.start;
    end = scheme.end;
}

COLORREF CPanelPainter::GradientAt(COLORREF start, COLORREF end, int x, int y)
{
    const int i = x / 2;
    return RGB(Component(GetRValue(start), GetRValue(end), i, y), Component(GetGValue(start), GetGValue(end), i, y),
               Component(GetBValue(start), GetBValue(end), i, y));
}

COLORREF CPanelPainter::AdjustLuminance(COLORREF color, int delta)
{
    WORD hue = 0;
    WORD luminance = 0;
    WORD saturation = 0;
    ::ColorRGBToHLS(color, &hue, &luminance, &saturation);
    int adjusted = luminance + delta;
    if (adjusted > 255)
    {
        adjusted = 230;
    }
    else if (adjusted < 0)
    {
        adjusted = 25;
    }
    return ::ColorHLSToRGB(hue, static_cast<WORD>(adjusted), saturation);
}

COLORREF CPanelPainter::TextColor(DWORD scheme, COLORREF start)
{
    // Lightened white would vanish on the white scheme.
    return scheme == WhiteScheme ? RGB(144, 144, 144) : AdjustLuminance(start, 100);
}

int CPanelPainter::ChannelIconId(const CHeadline& headline, DWORD iconIndex)
{
    if (headline.GetChannelTitle() == CString("Application error"))
    {
        return IDI_ERROR_NOTICE;
    }
    return Icons[iconIndex < IconCount ? iconIndex : 0].id;
}

const char* CPanelPainter::SchemeName(DWORD index)
{
    return index < SchemeCount ? Schemes[index].name : nullptr;
}

const char* CPanelPainter::IconName(DWORD index)
{
    return index < IconCount ? Icons[index].name : nullptr;
}

CPanelPainter::CPanelPainter() : m_bold(CreateTahoma(FW_BOLD)), m_regular(CreateTahoma(FW_NORMAL)) {}

CPanelPainter::~CPanelPainter() = default;

void CPanelPainter::FillGradient(HDC surface, COLORREF start, COLORREF end, int height)
{
    // Computed into a top-down 32-bit image and copied in one go: setting
    // 45 000 pixels one by one would make every paint visibly slow.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(Width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < Width; ++x)
        {
            const COLORREF color = GradientAt(start, end, x, y);
            pixels[static_cast<size_t>(y) * Width + x] =
                static_cast<DWORD>(GetRValue(color)) << 16 | static_cast<DWORD>(GetGValue(color)) << 8 |
                GetBValue(color);
        }
    }
    ::SetDIBitsToDevice(surface, 0, 0, Width, static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height),
                        pixels.data(), &info, DIB_RGB_COLORS);
}

void CPanelPainter::Line(HDC surface, int left, int top, int right, int bottom, COLORREF color)
{
    // Inclusive end points, one pixel wide.
    const RECT line = {left, top, right + 1, bottom + 1};
    const Common::CUniqueBrush brush(::CreateSolidBrush(color));
    ::FillRect(surface, &line, brush.get());
}

void CPanelPainter::DrawIcon(HDC surface, int id, int x, int y, int size)
{
    // Shared icons are cached by the system and must not be destroyed.
    HICON icon = static_cast<HICON>(::LoadImageA(Framework::Module().GetResourceInstance(),
                                                 MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_SHARED));
    if (icon != nullptr)
    {
        ::DrawIconEx(surface, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
    }
}

void CPanelPainter::Compose(HDC surface, const CHeadline& headline, DWORD colorIndex, DWORD iconIndex,
                            bool fullLayout)
{
    const int height = Height(fullLayout);
    COLORREF start = 0;
    COLORREF end = 0;
    SchemeColors(colorIndex, start, end);
    FillGradient(surface, start, end, height);

    const COLORREF highlight = HighlightColor(start);
    const COLORREF shadow = ShadowColor(end);
    Line(surface, 0, 0, 286, 0, highlight);
    Line(surface, 0, 0, 0, height - 2, highlight);
    Line(surface, 287, 0, 287, height - 1, shadow);
    Line(surface, 0, height - 1, 287, height - 1, shadow);
    Line(surface, 288, 0, 298, 0, highlight);
    Line(surface, 288, 0, 288, height - 2, highlight);
    Line(surface, 299, 0, 299, height - 1, shadow);
    Line(surface, 288, height - 1, 299, height - 1, shadow);

    DrawIcon(surface, ChannelIconId(headline, iconIndex), 10, 10, ::GetSystemMetrics(SM_CXICON));
    DrawIcon(surface, IDI_BUTTON_CLOSE, 286, 1, 16);
    DrawIcon(surface, fullLayout ? IDI_BUTTON_COLLAPSE : IDI_BUTTON_EXPAND, 286, 13, 16);
    if (!headline.GetEnclosureUrl().IsEmpty())
    {
        DrawIcon(surface, IDI_BUTTON_DOWNLOAD, 286, 25, 16);
    }

    const int previousMode = ::SetBkMode(surface, TRANSPARENT);
    const Common::CSelectedObject bold(surface, m_bold.get());
    const UINT multiLine = DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_NOPREFIX;
    ::SetTextColor(surface, RGB(0, 0, 0));
    DrawShownText(surface, headline.GetShownChannelTitle(), ChannelTitleRect,
                  DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    ::SetTextColor(surface, TextColor(colorIndex, start));
    DrawShownText(surface, headline.GetShownTitle(), TitleRect, multiLine);
    if (fullLayout)
    {
        const Common::CSelectedObject regular(surface, m_regular.get());
        DrawShownText(surface, headline.GetShownDescription(), DescriptionRect, multiLine);
    }
    ::SetBkMode(surface, previousMode);
}
} // namespace Presentation
