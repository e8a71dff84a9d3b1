#pragma once

// Where the text and the chart stand in a document window, in twips (single precision, as
// the window's inner size is measured). Text on the left third, chart on the rest, 100 twips
// apart and from the edges.
struct TwipsRect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    // The widgets refuse negative sizes (a window shrunk very small or minimized).
    bool isAcceptable() const { return width >= 0 && height >= 0; }
};

struct DocumentLayout
{
    TwipsRect text;
    TwipsRect chart;

    static DocumentLayout forInnerSize(float width, float height);
    // The wrap width of the text for the width its control reports.
    static float rightMargin(float textWidth) { return textWidth - 400; }
};
