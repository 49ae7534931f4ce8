#pragma once

// The layout of a dialog's button panel, computed on a plain description of the panel so that
// every window toolkit applies the same rule.

#include <vector>

enum class PanelControlKind { PushButton, SpeedButton, Other };

struct PanelControl {
    PanelControlKind kind = PanelControlKind::PushButton;
    bool visible = true;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool anchoredRightBottom = false; // anchored to the right and bottom edges (instead of left and top)
};

struct ButtonPanel {
    int clientWidth = 0;
    int clientHeight = 0;
    std::vector<PanelControl> controls; // the panel's direct children
};

// Right-aligns the visible buttons in their left-to-right order, m = h * 10 / 25 apart and from the
// right and top edges (h: height of the right-most button), and sets the client height to h + 2m.
// Hidden buttons and other controls keep their place; a panel without visible buttons is unchanged.
void ArrangePanelButtons(ButtonPanel& panel);
