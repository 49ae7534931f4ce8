#pragma once

// What the database objects share with the components of the system's designer world: a
// component name, an integer tag, and a notice to whoever asked when the object is destroyed.

#include <functional>
#include <string>
#include <vector>

namespace fb {

class Component {
public:
    using DestroyHandler = std::function<void(const Component&)>;

    explicit Component(std::string name = {})
        : FName(std::move(name)) {}
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    // `handler` runs once when this object is destroyed, unless removed before. Gives an id for
    // RemoveDestroyHandler.
    int AddDestroyHandler(DestroyHandler handler);
    void RemoveDestroyHandler(int id);

private:
    std::string FName;
    int FTag = 0;
    int FNextHandlerId = 1;
    std::vector<std::pair<int, DestroyHandler>> FDestroyHandlers;
};

} // namespace fb
