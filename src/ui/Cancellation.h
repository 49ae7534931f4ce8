#pragma once

// The person's request to stop the long work in progress (Cancel while a large file is copied).
// Work that reports through ui::ProgressTask stops at its next step by raising Cancelled; the
// update run then fails the product it was in (which is rolled back) and runs no further one.

#include <stdexcept>

namespace ui {

class Cancelled : public std::runtime_error {
public:
    Cancelled()
        : std::runtime_error("La mise à jour a été annulée à votre demande.") {}
};

void RequestCancel();
bool CancelRequested();
// Before a new run: a request belongs to the run it was made in.
void ClearCancel();

} // namespace ui
