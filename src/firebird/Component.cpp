#include "firebird/Component.h"

#include <algorithm>

namespace fb {

Component::~Component() {
    // Handlers may remove themselves or others while we walk the list: work on a copy.
    auto handlers = std::move(FDestroyHandlers);
    for (auto& [id, handler] : handlers)
        handler(*this);
}

int Component::AddDestroyHandler(DestroyHandler handler) {
    int id = FNextHandlerId++;
    FDestroyHandlers.emplace_back(id, std::move(handler));
    return id;
}

void Component::RemoveDestroyHandler(int id) {
    std::erase_if(FDestroyHandlers, [id](const auto& entry) { return entry.first == id; });
}

} // namespace fb
