#include "ui/RichTextSink.h"

namespace ui {

void PlainTextSink::AppendLine(std::string_view text, int /*fontSize*/) {
    if (!FEmpty)
        FText += "\r\n";
    FText += text;
    FEmpty = false;
}

void PlainTextSink::Clear() {
    FText.clear();
    FEmpty = true;
}

std::string PlainTextSink::PlainText() const {
    return FText;
}

} // namespace ui
