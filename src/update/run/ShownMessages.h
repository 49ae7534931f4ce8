#pragma once

// What the person was told while one product was updated: the UI services in place are wrapped for
// the lifetime of a ShownMessages, every call goes through to them, and the text of the last message
// shown (an error, a warning, a note, a plain message box; not a question) is kept. The run names it
// in the report line of a product that failed.

#include "ui/UiServices.h"

#include <memory>
#include <string>

namespace update::run {

class ShownMessages {
public:
    ShownMessages();
    // Puts the wrapped services back in place.
    ~ShownMessages();
    ShownMessages(const ShownMessages&) = delete;
    ShownMessages& operator=(const ShownMessages&) = delete;

    // The text of the last message shown since construction; empty when none was.
    const std::string& Last() const;

private:
    class Witness;
    Witness* FWitness; // owned by the process-wide services while installed
};

} // namespace update::run
