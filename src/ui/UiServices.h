#pragma once

// The only way code below the window talks to the person in front of the machine. The window
// provides a Qt implementation; tests and unattended runs use ui::ScriptedUi (the default).

#include "ui/RichTextSink.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// An opaque window identity; 0 is "no window" (the desktop as owner).
using WindowId = std::uint64_t;

enum class DialogKind { Warning, Error, Information, Confirmation };

// The buttons of a message dialog; each value is the result the dialog returns when it is chosen.
enum class Button : int { None = 0, Ok = 1, Yes = 6, No = 7 };

class ButtonSet {
public:
    constexpr ButtonSet() = default;
    static constexpr ButtonSet Ok() { return ButtonSet(kOk); }
    static constexpr ButtonSet YesNo() { return ButtonSet(kYes | kNo); }

    constexpr bool Has(Button button) const { return (FBits & Bit(button)) != 0; }
    constexpr ButtonSet With(Button button) const { return ButtonSet(FBits | Bit(button)); }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool operator==(const ButtonSet&) const = default;

private:
    static constexpr unsigned kOk = 1, kYes = 2, kNo = 4;
    constexpr explicit ButtonSet(unsigned bits)
        : FBits(bits) {}
    static constexpr unsigned Bit(Button button) {
        return button == Button::Ok ? kOk : button == Button::Yes ? kYes : button == Button::No ? kNo : 0;
    }
    unsigned FBits = 0;
};

// The sounds of MessageBeep, by their MB_ icon values.
enum class BeepType : unsigned {
    Default = 0x00,
    IconHand = 0x10,
    IconQuestion = 0x20,
    IconExclamation = 0x30,
    IconAsterisk = 0x40
};

enum class Cursor { Default, HourGlass };

// The flags of the folder browser (BIF_ values).
inline constexpr unsigned kBifReturnOnlyFsDirs = 0x0001;
inline constexpr unsigned kBifStatusText = 0x0004;
inline constexpr unsigned kBifValidate = 0x0020;
inline constexpr unsigned kBifNewDialogStyle = 0x0040;

struct FolderRequest {
    std::string title;
    WindowId owner = 0;
    std::string startFolder; // preselected when the dialog opens
    unsigned flags = 0;
    std::string root; // empty: the whole namespace
};

struct FileOpenRequest {
    std::string title;
    std::string filter; // "Label|*.ext|..." as the file-open dialogs take it; empty: every file
    std::string initialFolder;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal dialog centred on the screen; gives the button chosen.
    virtual Button ShowMessageBox(DialogKind kind, std::string_view caption, std::string_view text,
                                  ButtonSet buttons) = 0;
    virtual void MessageBeep(BeepType type) = 0;
    // The plain message box: the text and an OK button, under the program's title.
    virtual void ShowPlainMessage(std::string_view text) = 0;
    // An error box with a caption of the caller's (developer diagnostics).
    virtual void ShowCaptionedError(std::string_view caption, std::string_view text) = 0;
    // The error box of a failed system call; the text already holds the system's message.
    virtual void ShowSystemErrorBox(std::string_view text) = 0;

    virtual void SetCursor(Cursor cursor) = 0;

    // Runs pending window messages once.
    virtual void ProcessMessages() = 0;
    // Milliseconds since an arbitrary origin, wrapping as GetTickCount does.
    virtual std::uint32_t TickCount() = 0;
    // True once the program has begun to shut down.
    virtual bool IsTerminating() const = 0;

    // The chosen folder, or nothing when the user cancelled.
    virtual std::optional<std::string> BrowseForFolder(const FolderRequest& request) = 0;
    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> OpenFile(const FileOpenRequest& request) = 0;
    // True when the user confirmed the printer set-up.
    virtual bool PrinterSetup() = 0;

    // The sinks of the installation report and of the list of changes.
    virtual RichTextSink& ReportSink() = 0;
    virtual RichTextSink& ChangesSink() = 0;

    // True when the window is the foreground window afterwards.
    virtual bool BringWindowToFront(WindowId window) = 0;

    // A bar for long work (checking the package, writing a large file): `label` says what is
    // being done, `total` how much there is to do (0: unknown). StepProgress gives how much is
    // done and lets the window repaint; EndProgress takes the bar away. Use ui::ProgressTask.
    virtual void BeginProgress(std::string_view label, std::uint64_t total) = 0;
    virtual void StepProgress(std::uint64_t done) = 0;
    virtual void EndProgress() = 0;
    // One step of long work that has no bar of its own (a file of a product being written). The
    // unattended progress lines write it with the time of day; the window's report already says it.
    virtual void ReportStep(std::string_view text) { static_cast<void>(text); }
};

// The process-wide services: the one installed with SetCurrent, or a ScriptedUi created on first use.
UiServices& Current();
// Installs `services` (nullptr: back to a fresh ScriptedUi); gives the previous one back.
std::unique_ptr<UiServices> SetCurrent(std::unique_ptr<UiServices> services);

} // namespace ui
