#pragma once

// Readable failure output for the rich-text model, and a small builder for expected formats.

#include "update/richtext/RichDocument.h"

#include <ostream>
#include <string>

namespace update {

inline void PrintTo(const CharFormat& f, std::ostream* os) {
    *os << "{font '" << f.fontName << "' size " << f.sizePoints;
    if (f.color)
        *os << " rgb(" << int(f.color->red) << "," << int(f.color->green) << "," << int(f.color->blue) << ")";
    *os << (f.bold ? " bold" : "") << (f.italic ? " italic" : "") << (f.underline ? " underline" : "")
        << (f.strikeOut ? " strike" : "") << "}";
}

inline void PrintTo(const Run& run, std::ostream* os) {
    *os << "Run(\"" << run.text << "\" ";
    PrintTo(run.format, os);
    *os << ")";
}

inline void PrintTo(const ParagraphFormat& p, std::ostream* os) {
    *os << "{align " << static_cast<int>(p.alignment) << " li " << p.leftIndent << " fi " << p.firstLineIndent << " ri "
        << p.rightIndent << " sb " << p.spaceBefore << " sa " << p.spaceAfter << "}";
}

// An expected character format: RTF's default (12 points, automatic colour) and the changes asked for.
class Fmt {
public:
    explicit Fmt(double size = 12) { FFormat.sizePoints = size; }
    Fmt& Font(std::string name) {
        FFormat.fontName = std::move(name);
        return *this;
    }
    Fmt& Size(double size) {
        FFormat.sizePoints = size;
        return *this;
    }
    Fmt& Rgb(int red, int green, int blue) {
        FFormat.color =
            Color{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue)};
        return *this;
    }
    Fmt& Bold() {
        FFormat.bold = true;
        return *this;
    }
    Fmt& Italic() {
        FFormat.italic = true;
        return *this;
    }
    Fmt& Underline() {
        FFormat.underline = true;
        return *this;
    }
    Fmt& Strike() {
        FFormat.strikeOut = true;
        return *this;
    }
    operator CharFormat() const { return FFormat; }

private:
    CharFormat FFormat;
};

} // namespace update
