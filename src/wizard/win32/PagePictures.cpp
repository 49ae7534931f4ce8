#include "wizard/win32/PagePictures.h"

#include "platform/machine/Wide.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "wizard/win32/Win32Api.h"
#include "wizard/win32/WizardWindow.h"

#include <filesystem>
#include <iostream>

namespace wizard::win32 {

namespace {

// From half of a large copy on: the bar is well on its way in the picture.
constexpr int kCopyPicturePercent = 50;

bool Save(const WizardWindow& window, const std::filesystem::path& folder, const char* name) {
    const std::string path = platform::win32::PathToUtf8(folder / name);
    try {
        window.SavePicture(path);
    } catch (const std::exception& error) {
        std::cerr << "quarnel-update : " << error.what() << "\n";
        return false;
    }
    std::cout << path << "\n";
    return true;
}

// Clicks the button of the bar captioned `caption`, as a person does; false when there is no such
// button or it is disabled.
bool Click(const WizardWindow& window, const wchar_t* caption) {
    HWND button = window.ButtonNamed(caption);
    if (button == nullptr || !IsWindowEnabled(button)) {
        std::cerr << "quarnel-update : le bouton « " << Utf8Text(caption) << " » n'est pas proposé\n";
        return false;
    }
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

// The long work the scripted services are told of, shown on the window's progress panel, with a
// picture as the package's check begins and halfway through the first large copy.
class ProgressPictures {
public:
    ProgressPictures(WizardWindow& window, ui::ScriptedUi& services, const std::filesystem::path& folder)
        : FWindow(window)
        , FServices(services)
        , FFolder(folder) {
        FServices.SetProgressObserver([this](const ui::ProgressRecord& work) { Observe(work); });
    }
    ~ProgressPictures() { FServices.SetProgressObserver({}); }
    ProgressPictures(const ProgressPictures&) = delete;
    ProgressPictures& operator=(const ProgressPictures&) = delete;

    bool Saved() const { return FSaved; }

private:
    void Observe(const ui::ProgressRecord& work) {
        if (work.ended) {
            FWindow.EndProgress();
            return;
        }
        if (work.steps.empty()) {
            FWindow.BeginProgress(work.label, work.total);
            FWindow.PumpMessages();
            if (!FChecking && work.label == ui::kCheckingPackage) {
                FChecking = true;
                FSaved = Save(FWindow, FFolder, "0-checking.png") && FSaved;
            }
            return;
        }
        FWindow.StepProgress(work.steps.back());
        FWindow.PumpMessages();
        if (!FCopying && work.label.starts_with("Copie de") &&
            ui::PercentOf(work.steps.back(), work.total) >= kCopyPicturePercent) {
            FCopying = true;
            FSaved = Save(FWindow, FFolder, "2-copying.png") && FSaved;
        }
    }

    WizardWindow& FWindow;
    ui::ScriptedUi& FServices;
    std::filesystem::path FFolder;
    bool FChecking = false;
    bool FCopying = false;
    bool FSaved = true;
};

} // namespace

PagePicturesResult SavePagePictures(WizardWindow& window, ui::ScriptedUi& services, const std::string& folder) {
    PagePicturesResult result;
    const std::filesystem::path dir = platform::win32::PathFromUtf8(folder);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::cerr << "quarnel-update : impossible de créer " << folder << "\n";
        return result;
    }
    ProgressPictures pictures(window, services, dir);
    window.Show();
    // The check, the start, then the first page, from the window's own messages.
    while (window.Flow().Current() == pages::kNoPage && window.WaitAndPumpMessages()) {
    }
    if (window.Closed())
        return result; // refused at start: the message says why
    window.PumpMessages();
    bool saved = Save(window, dir, "1-welcome.png");
    bool clicked = Click(window, L"Suivant >");
    window.PumpMessages();
    saved = Save(window, dir, "2-changes.png") && saved;
    // Reaching the report page runs the update.
    clicked = clicked && Click(window, L"Démarrer");
    window.PumpMessages();
    saved = Save(window, dir, "3-report.png") && saved;
    clicked = clicked && Click(window, L"Quitter");
    window.PumpMessages();
    result.saved = saved && pictures.Saved();
    result.finished = clicked && window.Closed();
    return result;
}

} // namespace wizard::win32
