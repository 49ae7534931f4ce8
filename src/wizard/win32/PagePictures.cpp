#include "wizard/win32/PagePictures.h"

#include "platform/machine/Wide.h"
#include "ui/ScriptedUi.h"
#include "wizard/pages/PictureTour.h"
#include "wizard/win32/Win32Api.h"
#include "wizard/win32/WizardWindow.h"

#include <filesystem>
#include <iostream>

namespace wizard::win32 {

namespace {

// The Windows window as the shared tour of its pictures sees it: it draws and saves, its Next
// clicked as a person does, found by its caption.
class Win32PictureWindow : public pages::PictureWindow {
public:
    Win32PictureWindow(WizardWindow& window, const std::filesystem::path& folder)
        : FWindow(window)
        , FFolder(folder) {}

    const pages::WizardFlow& Flow() const override { return FWindow.Flow(); }
    void Settle() override { FWindow.PumpMessages(); }
    bool Save(std::string_view fileName) override {
        const std::string path = platform::win32::PathToUtf8(FFolder / std::string(fileName));
        try {
            FWindow.SavePicture(path);
        } catch (const std::exception& error) {
            std::cerr << "quarnel-update : " << error.what() << "\n";
            return false;
        }
        std::cout << path << "\n";
        return true;
    }
    bool PressNext(std::string_view caption) override {
        HWND button = FWindow.ButtonNamed(WideText(caption));
        if (button == nullptr || !IsWindowEnabled(button))
            return false;
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
    }
    bool Closed() const override { return FWindow.Closed(); }
    // The progress panel painted at once: the check and the run hold the message loop.
    void BeginProgress(std::string_view label, std::uint64_t total) override {
        FWindow.BeginProgress(label, total);
        FWindow.PumpMessages();
    }
    void StepProgress(std::uint64_t done) override {
        FWindow.StepProgress(done);
        FWindow.PumpMessages();
    }
    void EndProgress() override { FWindow.EndProgress(); }

private:
    WizardWindow& FWindow;
    std::filesystem::path FFolder;
};

} // namespace

pages::PictureTourResult SavePagePictures(WizardWindow& window, ui::ScriptedUi& services, const std::string& folder) {
    pages::PictureTourResult result;
    const std::filesystem::path dir = platform::win32::PathFromUtf8(folder);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::cerr << "quarnel-update : impossible de créer " << folder << "\n";
        return result;
    }
    Win32PictureWindow pictureWindow(window, dir);
    pages::PictureTour tour(pictureWindow, services);
    window.Show();
    // The check, the start, then the first page, from the window's own messages.
    while (window.Flow().Current() == pages::kNoPage && window.WaitAndPumpMessages()) {
    }
    if (window.Closed())
        return result; // refused at start: the message says why
    return tour.TakePages();
}

} // namespace wizard::win32
