// Where the buttons of a button panel go. Portable.
#pragma once

#include "Types.h"

#include <array>

namespace skyloom {

enum TslButtonsPanelAlign { alHorizontal, alVertical };
enum TslButtonsRowAlignment { braLeft, braRight, braCenter };
enum TslCustomButtonPosition { cbpAfterLast, cbpBeforeFirst, cbpOppositeEdge };

// The five buttons in the order of their tags.
enum TslPanelButtonIndex { pbOK = 0, pbCancel = 1, pbApply = 2, pbHelp = 3, pbCustom = 4 };

struct TslButtonsPanelMetrics {
    TslButtonsPanelAlign Align = alHorizontal;
    TslButtonsRowAlignment Alignment = braRight;
    TslCustomButtonPosition CustomButtonPosition = cbpAfterLast;
    int ButtonWidth = 75;
    int ButtonHeight = 25;
    int ButtonSpacing = 6;
    int MarginHorz = 5;
    int MarginVert = 6;
    bool ShowDivider = false;
    std::array<bool, 5> Visible{true, true, true, false, false};
    // The panel's current size; its thickness across the row is computed.
    int PanelWidth = 0;
    int PanelHeight = 0;
};

struct TslButtonsPanelPlacement {
    // The panel's height (horizontal panel) or width (vertical panel).
    int Thickness = 0;
    bool DividerVisible = false;
    TRect Divider;
    // The rectangle of each visible button; hidden buttons keep an empty one.
    std::array<TRect, 5> Buttons{};
};

TslButtonsPanelPlacement LayoutButtonsPanel(const TslButtonsPanelMetrics& m);

} // namespace skyloom
