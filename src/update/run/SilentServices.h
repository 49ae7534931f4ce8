#pragma once

// The silent UI services (answers from --yes / --no, messages to a stream) for the lifetime of an
// unattended piece of work; the previous services afterwards.

#include "ui/ScriptedUi.h"

#include <memory>
#include <ostream>

namespace update::run {

class SilentServices {
public:
    SilentServices(std::ostream& messages, bool answerYes, bool progress)
        : FPrevious(ui::SetCurrent(ui::ScriptedUi::Silent(messages, answerYes, progress))) {}
    ~SilentServices() { ui::SetCurrent(std::move(FPrevious)); }
    SilentServices(const SilentServices&) = delete;
    SilentServices& operator=(const SilentServices&) = delete;

private:
    std::unique_ptr<ui::UiServices> FPrevious;
};

} // namespace update::run
