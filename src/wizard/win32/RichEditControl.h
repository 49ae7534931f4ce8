#pragma once

// A Windows RichEdit control (MSFTEDIT_CLASS) as the rich-text control of the engine: the list of
// changes and the installation report. The model is kept beside the control and fed to it as RTF,
// so that the text, its lines and its formats read as the engine wrote them.

#include "update/richtext/RichTextControl.h"
#include "wizard/win32/WindowHandle.h"

namespace wizard::win32 {

class RichEditControl : public update::RichTextControl {
public:
    // `font`: the control's own font and size, for text that has none of its own.
    explicit RichEditControl(const update::CharFormat& font);

    // The control that shows the text; until then (or after nullptr) only the model changes.
    void Attach(Hwnd control);
    Hwnd Handle() const { return FControl; }

    void Clear() override;
    void LoadDocument(const update::RichDocument& document) override;
    void SetText(std::string_view text) override;
    void AppendLine(std::string_view text, int fontSize = 0, std::string_view fontName = {}) override;
    int LineCount() const override { return FModel.LineCount(); }
    std::string PlainText() const override { return FModel.PlainText(); }
    bool CanFocus() const override;
    bool HasFocus() const override;
    void SetFocus() override;

    // Scrolls so that the end of the text shows.
    void ScrollToEnd();
    const update::RichDocument& Document() const { return FModel.Document(); }

private:
    void Render();

    update::CharFormat FFont;
    update::ModelRichTextControl FModel;
    Hwnd FControl = nullptr;
};

} // namespace wizard::win32
