#pragma once

// The pictures that `--screenshots` takes of the wizard's window, their names and their order, and
// the tour that takes them: the window as the package's check begins, each page as Next reaches
// it (welcome, list of changes, report after the run), a large copy halfway. The long work of the
// run is told by the scripted UI services that answer the dialogs meanwhile; the window shows it
// on its progress panel. Each window only draws and saves (PictureWindow).

#include "wizard/pages/PageTexts.h"
#include "wizard/pages/WizardFlow.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ui {
class ScriptedUi;
struct ProgressRecord;
} // namespace ui

namespace wizard::pages {

inline constexpr std::string_view kCheckingPicture = "0-checking.png";
inline constexpr std::string_view kCopyingPicture = "2-copying.png";
// From half of a large copy on: the bar is well on its way in the picture.
inline constexpr int kCopyPicturePercent = 50;
// The long work whose picture is kCopyingPicture: the copy of a file large enough to show its progress.
inline constexpr std::string_view kCopyLabelPrefix = "Copie de";

struct PagePicture {
    PageKind page;
    std::string_view fileName;
};

// The pages in the order Next reaches them; Next is pressed after each picture, the last time
// "Quitter", which closes the window.
inline constexpr std::array<PagePicture, 3> kPagePictures = {{
    {PageKind::Welcome, "1-welcome.png"},
    {PageKind::Changes, "2-changes.png"},
    {PageKind::Report, "3-report.png"},
}};

// What the tour asks of a window.
class PictureWindow {
public:
    virtual ~PictureWindow() = default;

    virtual const WizardFlow& Flow() const = 0;
    // Lets the window draw what it has to draw now.
    virtual void Settle() = 0;
    // Writes the window as it is on the screen into the picture `fileName`; false when it could not
    // (the window says why on standard error).
    virtual bool Save(std::string_view fileName) = 0;
    // Presses Next, captioned `caption`, as a person does; false when no such button is offered.
    virtual bool PressNext(std::string_view caption) = 0;
    virtual bool Closed() const = 0;
    // The window's progress panel.
    virtual void BeginProgress(std::string_view label, std::uint64_t total) = 0;
    virtual void StepProgress(std::uint64_t done) = 0;
    virtual void EndProgress() = 0;
};

struct PictureTourResult {
    bool saved = false;    // every picture was written, those of long work too
    bool finished = false; // every page was reached, the run went through and "Quitter" closed the window
};

// What --screenshots exits with: the pictures' outcome, not the run's (the report page's picture
// shows the run's).
inline constexpr int kExitPicturesWritten = 0;
inline constexpr int kExitPicturesNotWritten = 1;

// The program's exit code once the pictures were taken (a tour not taken: the default result):
// `refused` when the start was refused; kExitPicturesWritten once every picture was written and the
// tour finished, whatever the run's outcome; kExitPicturesNotWritten otherwise.
int PicturesExitCode(const PictureTourResult& result, const WizardFlow& flow, int refused);

class PictureTour {
public:
    // From now on the long work that `services` are told of shows on the window, with its pictures.
    PictureTour(PictureWindow& window, ui::ScriptedUi& services);
    ~PictureTour();
    PictureTour(const PictureTour&) = delete;
    PictureTour& operator=(const PictureTour&) = delete;

    // Once the first page shows: a picture of each page of kPagePictures, Next pressed after each.
    // A page other than the one expected is said on standard error and ends the tour. The
    // pictures of long work taken until then count in the result.
    PictureTourResult TakePages();
    // The pictures of long work taken so far were all written.
    bool ProgressSaved() const { return FProgressSaved; }

private:
    PictureTourResult TakePagePictures();
    void Observe(const ui::ProgressRecord& work);
    void SaveOnce(bool& taken, std::string_view fileName);

    PictureWindow& FWindow;
    ui::ScriptedUi& FServices;
    bool FChecking = false;
    bool FCopying = false;
    bool FProgressSaved = true;
};

} // namespace wizard::pages
