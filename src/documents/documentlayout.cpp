#include "documentlayout.h"

DocumentLayout DocumentLayout::forInnerSize(float width, float height)
{
    DocumentLayout layout;
    layout.text = {100, 100, width / 3, height - 200};
    // The chart ends 100 twips inside the right edge, so none of it is cut off.
    layout.chart = {width / 3 + 200, 100, (width + width) / 3 - 300, height - 200};
    return layout;
}
