#pragma once

// What a person does in a modal window once it shows (a dialog of ours, the system's print dialog),
// run by a thread timer from inside that window's own message loop.

#include <functional>
#include <string>

// clang-format off
#include <windows.h>
// clang-format on

namespace quarnel_test {

class ModalAction {
public:
    // `action` runs once, on the first visible top-level window of the class `className`.
    ModalAction(std::wstring className, std::function<void(HWND)> action)
        : FClassName(std::move(className))
        , FAction(std::move(action)) {
        gCurrent = this;
        FTimer = SetTimer(nullptr, 0, 10, &ModalAction::Tick);
    }
    ~ModalAction() {
        KillTimer(nullptr, FTimer);
        gCurrent = nullptr;
    }
    ModalAction(const ModalAction&) = delete;
    ModalAction& operator=(const ModalAction&) = delete;

    bool Done() const { return FDone; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (gCurrent == nullptr || gCurrent->FDone)
            return;
        HWND window = FindWindowW(gCurrent->FClassName.c_str(), nullptr);
        if (window == nullptr || !IsWindowVisible(window))
            return;
        gCurrent->FDone = true;
        gCurrent->FAction(window);
    }
    static inline ModalAction* gCurrent = nullptr;
    std::wstring FClassName;
    std::function<void(HWND)> FAction;
    UINT_PTR FTimer = 0;
    bool FDone = false;
};

} // namespace quarnel_test
