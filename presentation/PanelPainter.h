// Composes the panel's frame for one headline: the channel's two-way colour
// gradient, bevel lines, the channel icon, the button column and up to three
// pieces of text, all onto an off-screen surface that the panel then copies
// to its window in one transfer.
#pragma once

#include "common/UniqueHandle.h"
#include "content/Headline.h"

#include <windows.h>

namespace Presentation
{
class CPanelPainter
{
public:
    static const int Width = 300;
    static const int FullHeight = 150;
    static const int CompactHeight = 70;
    static int Height(bool fullLayout) { return fullLayout ? FullHeight : CompactHeight; }

    // The six colour schemes; any other index draws as the first.
    static void SchemeColors(DWORD index, COLORREF& start, COLORREF& end);
    // The colour of the gradient at a pixel of the surface.
    static COLORREF GradientAt(COLORREF start, COLORREF end, int x, int y);
    // The colour with its luminance (0-240 scale) moved by delta; a result
    // above 255 becomes 230 and one below 0 becomes 25.
    static COLORREF AdjustLuminance(COLORREF color, int delta);
    static COLORREF HighlightColor(COLORREF start) { return AdjustLuminance(start, 40); }
    static COLORREF ShadowColor(COLORREF end) { return AdjustLuminance(end, -20); }
    static COLORREF TextColor(DWORD scheme, COLORREF start);
    // The icon resource for a headline of a channel with this icon index.
    static int ChannelIconId(const CHeadline& headline, DWORD iconIndex);
    // The names a user picks a colour scheme or an icon by, from the rows
    // the painter draws with; null past the last one a channel may choose.
    static const char* SchemeName(DWORD index);
    static const char* IconName(DWORD index);

    CPanelPainter();
    ~CPanelPainter();
    CPanelPainter(const CPanelPainter&) = delete;
    CPanelPainter& operator=(const CPanelPainter&) = delete;

    // Draws the whole frame onto a surface of Width x Height(fullLayout).
    void Compose(HDC surface, const CHeadline& headline, DWORD colorIndex, DWORD iconIndex, bool fullLayout);

private:
    void FillGradient(HDC surface, COLORREF start, COLORREF end, int height);
    static void Line(HDC surface, int left, int top, int right, int bottom, COLORREF color);
    static void DrawIcon(HDC surface, int id, int x, int y, int size);

    Common::CUniqueFont m_bold;
    Common::CUniqueFont m_regular;
};
} // namespace Presentation
