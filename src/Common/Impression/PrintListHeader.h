#pragma once

// The header of a print list: the few lines the system reads to file a list in a company
// database (compatibility key and descriptions). The rest of the list is layout that the
// applications interpret and that is stored unchanged.

#include <string>
#include <string_view>
#include <vector>

struct TPrintListHeader {
    std::string compat; // "COM:" line
    std::string fText;  // "DES:F:" line, the French description
    std::string iText;  // "DES:I:" line
    std::string dText;  // "DES:D:" line
};

// `lines` are the list's text lines (already decoded from the ANSI code page); `listName` is the
// file name without extension, in lower case, the last default of the descriptions.
TPrintListHeader ReadPrintListHeader(const std::vector<std::string>& lines, std::string_view listName);

// Index of the first line beginning exactly "COM:", or -1.
int FindCompatLine(const std::vector<std::string>& lines);

// Index of the first line beginning exactly "DES:" + letter + ":", or -1.
int FindDescriptionLine(const std::vector<std::string>& lines, char letter);

// Cuts a "/*" remark and everything after it, then trims blanks and control characters.
void StripComment(std::string& value);
