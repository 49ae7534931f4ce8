#pragma once

// The rich-text model written back as RTF, for a control that reads RTF itself (the Windows
// RichEdit control of the list of changes and of the report): fonts, sizes, colours, styles,
// alignment, indents and spaces, line breaks; every character beyond ASCII as \uN.

#include "update/richtext/RichDocument.h"

#include <string>

namespace wizard::pages {

// `base`: the control's own font and size, which text without a font or size of its own takes.
std::string WriteRtf(const update::RichDocument& document, const update::CharFormat& base = {});

} // namespace wizard::pages
