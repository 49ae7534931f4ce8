// libFuzzer target of the RTF reader: any bytes give a document (or the size error), never a crash or a
// hang, and the document keeps its promises: valid UTF-8, no empty runs, limits held, output in
// proportion to the input, and a model control that loads it counts the same lines.

#include "platform/text/Text.h"
#include "update/richtext/RichTextControl.h"
#include "update/richtext/RtfReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace update;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckDocument(const RichDocument& document, const RtfLimits& limits, std::size_t inputSize) {
    Check(document.Paragraphs().size() <= limits.maxParagraphs);
    // Past the run limit every paragraph still holds at least one run of its own.
    Check(document.RunCount() <= limits.maxRuns + limits.maxParagraphs);
    int lines = 0;
    for (const Paragraph& paragraph : document.Paragraphs()) {
        lines += paragraph.LineCount();
        for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
            const Run& run = paragraph.runs[i];
            Check(!run.text.empty());
            Check(platform::text::IsValidUtf8(run.text));
            Check(platform::text::IsValidUtf8(run.format.fontName));
            Check(run.format.fontName.size() <= 3 * limits.maxFontNameBytes);
            Check(run.format.sizePoints >= 0 && run.format.sizePoints <= 1638);
        }
    }
    Check(lines == document.LineCount());
    // One input byte never gives more than three bytes of text (a 1252 byte or a broken sequence as a
    // three-byte character), plus a paragraph break at most for every byte.
    Check(document.PlainText().size() <= 3 * inputSize + 2 * document.Paragraphs().size());
}

void ReadWith(std::string_view bytes, const RtfLimits& limits) {
    RichDocument document;
    try {
        document = RtfReader(limits).Read(bytes);
    } catch (const RichTextError&) {
        Check(bytes.size() > limits.maxInputBytes);
        return;
    }
    CheckDocument(document, limits, bytes.size());

    ModelRichTextControl control;
    control.LoadDocument(document);
    Check(control.LineCount() == document.LineCount());
    control.AppendLine("fin\r\n", 10);
    Check(control.LineCount() == document.LineCount() + 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadWith(bytes, RtfLimits{});

    // Small limits, so that the fuzzer reaches every cap.
    RtfLimits small;
    small.maxInputBytes = 1u << 16;
    small.maxDepth = 8;
    small.maxParagraphs = 16;
    small.maxRuns = 16;
    small.maxTableEntries = 4;
    small.maxFontNameBytes = 8;
    ReadWith(bytes, small);
    return 0;
}
