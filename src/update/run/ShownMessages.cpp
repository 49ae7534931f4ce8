#include "update/run/ShownMessages.h"

namespace update::run {

// Forwards everything to the services it wraps and notes the messages.
class ShownMessages::Witness : public ui::UiServices {
public:
    std::unique_ptr<ui::UiServices> inner;
    std::string last;

    ui::Button ShowMessageBox(ui::DialogKind kind, std::string_view caption, std::string_view text,
                              ui::ButtonSet buttons) override {
        // A question is no report of what went wrong; its answer decides the result instead.
        if (kind != ui::DialogKind::Confirmation && !buttons.Has(ui::Button::Yes))
            last = text;
        return inner->ShowMessageBox(kind, caption, text, buttons);
    }
    void MessageBeep(ui::BeepType type) override { inner->MessageBeep(type); }
    void ShowPlainMessage(std::string_view text) override {
        last = text;
        inner->ShowPlainMessage(text);
    }
    void ShowCaptionedError(std::string_view caption, std::string_view text) override {
        last = text;
        inner->ShowCaptionedError(caption, text);
    }
    void ShowSystemErrorBox(std::string_view text) override {
        last = text;
        inner->ShowSystemErrorBox(text);
    }
    void SetCursor(ui::Cursor cursor) override { inner->SetCursor(cursor); }
    void ProcessMessages() override { inner->ProcessMessages(); }
    std::uint32_t TickCount() override { return inner->TickCount(); }
    bool IsTerminating() const override { return inner->IsTerminating(); }
    std::optional<std::string> BrowseForFolder(const ui::FolderRequest& request) override {
        return inner->BrowseForFolder(request);
    }
    std::optional<std::string> OpenFile(const ui::FileOpenRequest& request) override {
        return inner->OpenFile(request);
    }
    bool PrinterSetup() override { return inner->PrinterSetup(); }
    ui::RichTextSink& ReportSink() override { return inner->ReportSink(); }
    ui::RichTextSink& ChangesSink() override { return inner->ChangesSink(); }
    bool BringWindowToFront(ui::WindowId window) override { return inner->BringWindowToFront(window); }
    void BeginProgress(std::string_view label, std::uint64_t total) override { inner->BeginProgress(label, total); }
    void StepProgress(std::uint64_t done) override { inner->StepProgress(done); }
    void EndProgress() override { inner->EndProgress(); }
    void ReportStep(std::string_view text) override { inner->ReportStep(text); }
};

ShownMessages::ShownMessages() {
    ui::Current(); // the services to wrap exist from here on, the default ones when none were installed
    auto witness = std::make_unique<Witness>();
    FWitness = witness.get();
    FWitness->inner = ui::SetCurrent(std::move(witness));
}

ShownMessages::~ShownMessages() {
    // The witness comes back out of its place and goes with this object.
    const std::unique_ptr<ui::UiServices> witness = ui::SetCurrent(std::move(FWitness->inner));
}

const std::string& ShownMessages::Last() const {
    return FWitness->last;
}

} // namespace update::run
