#include "slButtonsPanelCore.h"

#include <vector>

namespace skyloom {

TslButtonsPanelPlacement LayoutButtonsPanel(const TslButtonsPanelMetrics& m)
{
    TslButtonsPanelPlacement p;
    const bool horizontal = m.Align == alHorizontal;
    int divider = 0;
    if (m.ShowDivider) {
        divider = 2;
        p.DividerVisible = true;
        p.Divider = horizontal ? Bounds(m.MarginHorz, 0, m.PanelWidth - 2 * m.MarginHorz, 2)
                               : Bounds(0, m.MarginVert, 2, m.PanelHeight - 2 * m.MarginVert);
    }
    std::vector<int> row;
    if (m.CustomButtonPosition == cbpBeforeFirst && m.Visible[pbCustom])
        row.push_back(pbCustom);
    for (int i : {pbOK, pbCancel, pbApply, pbHelp})
        if (m.Visible[static_cast<std::size_t>(i)])
            row.push_back(i);
    if (m.CustomButtonPosition == cbpAfterLast && m.Visible[pbCustom])
        row.push_back(pbCustom);

    const int size = horizontal ? m.ButtonWidth : m.ButtonHeight;
    const int length = horizontal ? m.PanelWidth : m.PanelHeight;
    const int margin = horizontal ? m.MarginHorz : m.MarginVert;
    int rowLength = 0;
    for (std::size_t i = 0; i < row.size(); ++i)
        rowLength += size + (i > 0 ? m.ButtonSpacing : 0);
    p.Thickness = horizontal ? m.ButtonHeight + 2 * m.MarginVert + divider : m.ButtonWidth + 2 * m.MarginHorz + divider;

    int position = 0;
    switch (m.Alignment) {
    case braLeft:
        position = margin;
        break;
    case braRight:
        position = length - rowLength - margin;
        break;
    case braCenter:
        position = length < rowLength ? 0 : (length - rowLength) / 2 + 1;
        break;
    }
    auto place = [&](int index, int along) {
        p.Buttons[static_cast<std::size_t>(index)] =
            horizontal ? Bounds(along, m.MarginVert + divider, m.ButtonWidth, m.ButtonHeight)
                       : Bounds(m.MarginHorz + divider, along, m.ButtonWidth, m.ButtonHeight);
    };
    for (int index : row) {
        place(index, position);
        position += size + m.ButtonSpacing;
    }
    if (m.CustomButtonPosition == cbpOppositeEdge && m.Visible[pbCustom])
        place(pbCustom, m.Alignment == braLeft ? length - margin - size : margin);
    return p;
}

} // namespace skyloom
