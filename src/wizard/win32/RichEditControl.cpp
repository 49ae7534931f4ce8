#include "wizard/win32/RichEditControl.h"

#include "wizard/pages/RtfWriter.h"
#include "wizard/win32/Win32Api.h"

namespace wizard::win32 {

RichEditControl::RichEditControl(const update::CharFormat& font)
    : FFont(font)
    , FModel(font) {}

void RichEditControl::Attach(Hwnd control) {
    FControl = control;
    Render();
}

void RichEditControl::Render() {
    if (FControl == nullptr)
        return;
    // The control reads RTF itself when its text begins with "{\rtf"; ours is plain ASCII.
    const std::string rtf = pages::WriteRtf(FModel.Document(), FFont);
    SETTEXTEX settings{ST_DEFAULT, CP_ACP};
    SendMessageW(FControl, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&settings), reinterpret_cast<LPARAM>(rtf.c_str()));
}

void RichEditControl::Clear() {
    FModel.Clear();
    Render();
}

void RichEditControl::LoadDocument(const update::RichDocument& document) {
    FModel.LoadDocument(document);
    Render();
}

void RichEditControl::SetText(std::string_view text) {
    FModel.SetText(text);
    Render();
}

void RichEditControl::AppendLine(std::string_view text, int fontSize, std::string_view fontName) {
    FModel.AppendLine(text, fontSize, fontName);
    // The report has a few dozen lines: the whole text again keeps the control equal to the model.
    Render();
    ScrollToEnd();
}

void RichEditControl::ScrollToEnd() {
    if (FControl == nullptr)
        return;
    SendMessageW(FControl, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageW(FControl, EM_SCROLLCARET, 0, 0);
}

bool RichEditControl::CanFocus() const {
    return FControl != nullptr && IsWindowVisible(FControl) && IsWindowEnabled(FControl);
}

bool RichEditControl::HasFocus() const {
    return FControl != nullptr && GetFocus() == FControl;
}

void RichEditControl::SetFocus() {
    if (CanFocus())
        ::SetFocus(FControl);
}

} // namespace wizard::win32
