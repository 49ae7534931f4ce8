// Feeds arbitrary bytes to the .lnk reader. A link it accepts must encode again and read back to
// the same fields (the writer recomputes only the flags), and every text must be UTF-8.
// Seeds: seeds/ansi.lnk (ANSI strings, ID list, 0x1C link information) and seeds/unicode.lnk
// (every string, an extra-data block).

#include "platform/shelllink/ShellLink.h"
#include "platform/text/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ShellLink link;
    try {
        link = platform::ParseShellLink(std::span<const std::uint8_t>(data, size));
    } catch (const platform::ShellLinkError&) {
        return 0;
    }
    for (const std::string* text : {&link.name, &link.relativePath, &link.workingDir, &link.arguments,
                                    &link.iconLocation, &link.localBasePath, &link.commonPathSuffix})
        if (!platform::text::IsValidUtf8(*text))
            std::abort();
    try {
        const platform::ShellLink again = platform::ParseShellLink(platform::EncodeShellLink(link));
        if (again.arguments != link.arguments || again.name != link.name || again.iconIndex != link.iconIndex ||
            again.hotKey != link.hotKey || again.showCommand != link.showCommand || again.idList != link.idList)
            std::abort();
    } catch (const platform::ShellLinkError&) {
        // A text of more than 65535 units read from ANSI data cannot be written back: refused, not torn.
    }
    return 0;
}
