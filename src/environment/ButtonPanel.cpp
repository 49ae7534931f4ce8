#include "environment/ButtonPanel.h"

#include <algorithm>

void ArrangePanelButtons(ButtonPanel& panel) {
    std::vector<PanelControl*> buttons;
    for (PanelControl& control : panel.controls) {
        if (control.visible && control.kind != PanelControlKind::Other)
            buttons.push_back(&control);
    }
    if (buttons.empty())
        return;
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const PanelControl* a, const PanelControl* b) { return a->left < b->left; });
    const int height = buttons.back()->height;
    const int margin = height * 10 / 25;
    panel.clientHeight = height + 2 * margin;
    int x = panel.clientWidth;
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        PanelControl& button = **it;
        x = x - margin - button.width;
        button.left = x;
        button.top = margin;
        button.height = height;
        button.anchoredRightBottom = true;
    }
}
