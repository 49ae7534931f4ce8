#pragma once

// A PostScript printer of the Wine machine whose port is a file, made the default printer for as
// long as the object lives: what the system's print dialog offers and what a print job writes, on
// a machine without a print server. Wine's PostScript driver over a small page description of our
// own (A4, grey); the printer, its driver and the files are removed at the end.

#include <string>

namespace quarnel_test {

class FilePrinter {
public:
    FilePrinter();
    ~FilePrinter();
    FilePrinter(const FilePrinter&) = delete;
    FilePrinter& operator=(const FilePrinter&) = delete;

    // False off Wine (its file ports are Unix file names), or when the printer could not be made.
    bool Ready() const { return FReady; }
    // The printer's name, as the print dialog lists it.
    static const wchar_t* Name();
    // What the print jobs wrote so far (PostScript), empty when none.
    std::string Output() const;
    // The letters drawn by the jobs, in order: the PostScript names the driver gives the glyphs
    // of one letter (accents, spaces and punctuation are left out).
    std::string DrawnLetters() const;

private:
    std::wstring FOutput;
    std::wstring FDescription;
    bool FReady = false;
};

} // namespace quarnel_test
