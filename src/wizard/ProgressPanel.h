#pragma once

// The wizard's progress bar: what is being done (the file being written, the check of the
// package) and how far it has got, laid over the left of the button bar while long work runs.

#include "wizard/pages/ProgressModel.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string_view>

class QLabel;
class QProgressBar;

namespace wizard {

class ProgressPanel : public QWidget {
public:
    // `buttonBar`: the bar whose free left part the panel covers; `window` is its parent.
    ProgressPanel(QWidget* window, QWidget* buttonBar);

    // Told when the panel shows and when it goes: the window offers Cancel meanwhile, as its flow says.
    void SetShowingHandler(std::function<void(bool showing)> handler) { FShowing = std::move(handler); }

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
    std::function<void(bool showing)> FShowing;
};

} // namespace wizard
