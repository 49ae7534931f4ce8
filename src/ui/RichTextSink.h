#pragma once

// Where the installation report and the list of changes are written: lines of text formatted only
// by their character size. The window renders them; unattended runs keep them as plain text.

#include <string>
#include <string_view>

namespace ui {

class RichTextSink {
public:
    virtual ~RichTextSink() = default;

    // Appends one paragraph; `fontSize` is in points, 0 keeps the sink's default size.
    virtual void AppendLine(std::string_view text, int fontSize = 0) = 0;
    virtual void Clear() = 0;
    // The text as it reads, paragraphs joined by CR LF.
    virtual std::string PlainText() const = 0;
};

// A sink that only keeps the text: the report of tests and unattended runs.
class PlainTextSink : public RichTextSink {
public:
    void AppendLine(std::string_view text, int fontSize = 0) override;
    void Clear() override;
    std::string PlainText() const override;

private:
    std::string FText;
    bool FEmpty = true;
};

} // namespace ui
