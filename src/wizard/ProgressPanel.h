#pragma once

// The wizard's progress bar: what is being done (the file being written, the check of the
// package) and how far it has got, laid over the left of the button bar while long work runs.

#include "wizard/pages/ProgressModel.h"

#include <QWidget>
#include <cstdint>
#include <string_view>

class QAction;
class QLabel;
class QProgressBar;

namespace wizard {

class ProgressPanel : public QWidget {
public:
    // `buttonBar`: the bar whose free left part the panel covers; `window` is its parent.
    ProgressPanel(QWidget* window, QWidget* buttonBar);

    // The window's Cancel: offered while the panel shows, as it was before otherwise.
    void SetCancelAction(QAction* cancel) { FCancel = cancel; }

    void Begin(std::string_view label, std::uint64_t total);
    void Step(std::uint64_t done);
    void End();

    QLabel* Label() const { return FLabel; }
    QProgressBar* Bar() const { return FBar; }

private:
    void Place();

    QWidget* FButtonBar;
    QLabel* FLabel;
    QProgressBar* FBar;
    pages::ProgressModel FModel; // nested work keeps the outer bar's place
    QAction* FCancel = nullptr;
    bool FCancelWasEnabled = false;
};

} // namespace wizard
