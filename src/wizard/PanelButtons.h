#pragma once

// ArrangePanelButtons for a Qt panel: the rule of environment/ButtonPanel.h applied to the
// panel's push and tool buttons, which then stay anchored to its right and bottom edges.

class QWidget;

namespace wizard {

void ArrangePanelButtons(QWidget& panel);

} // namespace wizard
