#pragma once

// Reads the RTF that WordPad and the rich edit control write ("UpdateInfo.txt", the list of changes)
// into a RichDocument. Input that does not begin with "{\rtf" is read as plain text lines, as the
// control does.
//
// The input comes from outside, so the reader is bounded: nesting deeper than `maxDepth` is skipped,
// tables and names are capped, and past `maxParagraphs` / `maxRuns` the text still comes through (in
// the last paragraph, in the last run's format). A document holds at most `maxParagraphs` paragraphs
// and `maxRuns` + `maxParagraphs` runs: past the run limit only a paragraph's first text opens a run. Malformed RTF gives the best document its readable
// text allows: missing closing braces end at the end of the input, text after the closing brace of
// the document is ignored, broken escapes are dropped. Only input larger than `maxInputBytes` is
// refused, with a RichTextError.

#include "update/richtext/RichDocument.h"

#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace update {

class RichTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Le texte enrichi est trop volumineux : N octets (au plus M)."
RichTextError RichTextTooLarge(std::size_t size, std::size_t limit);

struct RtfLimits {
    std::size_t maxInputBytes = 32u << 20;
    std::size_t maxDepth = 256;
    std::size_t maxParagraphs = 200'000;
    std::size_t maxRuns = 500'000;
    // Entries of the font table and of the colour table, each.
    std::size_t maxTableEntries = 4096;
    std::size_t maxFontNameBytes = 256;
};

// True when the bytes are RTF: they begin with "{\rtf".
bool IsRtf(std::string_view bytes);

class RtfReader {
public:
    explicit RtfReader(const RtfLimits& limits = {})
        : FLimits(limits) {}

    // RTF when IsRtf, plain text otherwise.
    RichDocument Read(std::string_view bytes) const;
    RichDocument ReadRtf(std::string_view bytes) const;
    // Lines split at CR LF, CR or LF (a final break adds no line); a byte-order mark selects UTF-8 or
    // UTF-16, otherwise the bytes are code page 1252. Runs carry the control's own format.
    RichDocument ReadPlainText(std::string_view bytes) const;

private:
    void CheckSize(std::size_t size) const;

    RtfLimits FLimits;
};

} // namespace update
