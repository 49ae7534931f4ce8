#pragma once

// The rich-text control as the update engine sees it: the installation report it appends lines to
// and the list of changes it loads. The wizard window implements it over its own widgets;
// ModelRichTextControl holds the document itself (tests, unattended runs, where the report is
// written out as plain text).

#include "update/richtext/RichDocument.h"
#include "update/richtext/RtfReader.h"

#include <string>
#include <string_view>

namespace update {

class RichTextControl {
public:
    virtual ~RichTextControl() = default;

    virtual void Clear() = 0;
    // Replaces the content by the document.
    virtual void LoadDocument(const RichDocument& document) = 0;
    // Replaces the content by plain text, in the control's own format.
    virtual void SetText(std::string_view text) = 0;
    // Appends `text` at the end, each of its lines a new paragraph; a text that ends with a line break
    // is followed by an empty paragraph. `fontSize` (points, 0 keeps) and `fontName` (empty keeps) change
    // the format at the end of the text first, so that they continue for the lines appended later.
    virtual void AppendLine(std::string_view text, int fontSize = 0, std::string_view fontName = {}) = 0;
    virtual int LineCount() const = 0;
    // Paragraphs joined by CR LF.
    virtual std::string PlainText() const = 0;
    virtual bool CanFocus() const = 0;
    virtual bool HasFocus() const = 0;
    virtual void SetFocus() = 0;
};

class ModelRichTextControl : public RichTextControl {
public:
    // `defaultFormat`: the control's own format, which Clear and SetText go back to.
    explicit ModelRichTextControl(const CharFormat& defaultFormat = {});

    void Clear() override;
    void LoadDocument(const RichDocument& document) override;
    void SetText(std::string_view text) override;
    void AppendLine(std::string_view text, int fontSize = 0, std::string_view fontName = {}) override;
    int LineCount() const override { return FDocument.LineCount(); }
    std::string PlainText() const override { return FDocument.PlainText(); }
    bool CanFocus() const override { return FCanFocus; }
    bool HasFocus() const override { return FHasFocus; }
    // Takes the focus when the control can take it.
    void SetFocus() override;

    const RichDocument& Document() const { return FDocument; }
    // The format that appended text takes.
    const CharFormat& InsertionFormat() const { return FInsertionFormat; }
    // A hidden or disabled control cannot take the focus; hiding it also loses the focus.
    void SetCanFocus(bool canFocus);

private:
    RichDocument FDocument;
    CharFormat FDefaultFormat;
    CharFormat FInsertionFormat;
    bool FCanFocus = true;
    bool FHasFocus = false;
};

// Replaces the control's content by the RTF (or plain text) in `bytes`; the number of lines the
// control then holds.
int LoadRichText(RichTextControl& control, std::string_view bytes, const RtfLimits& limits = {});

} // namespace update
