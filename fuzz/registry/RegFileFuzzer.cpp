// libFuzzer target of the `.reg` reader: any bytes either parse or raise RegFileError, and what
// parses survives writing and reading back unchanged.

#include "platform/registry/HiveFile.h"
#include "platform/registry/RegFile.h"

#include <cstdlib>

using namespace platform;

namespace {

// The keys of `root` that the document leaves, written out and read back, must be the same keys.
void CheckRoundTrip(const RegFileDocument& document, RegistryRoot root) {
    RegFileDocument own;
    for (const auto& section : document.sections)
        if (section.root == root)
            own.sections.push_back(section);
    const Hive hive = HiveFromDocument(own, root, "fuzz.reg");
    const auto bytes = EncodeRegFile(FormatRegFile(root, hive.Subtree("")));
    const Hive again = HiveFromDocument(ParseRegFile(bytes, "written.reg"), root, "written.reg");
    if (!(again == hive))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegFileDocument document;
    try {
        document = ParseRegFile(std::span<const std::uint8_t>(data, size), "fuzz.reg");
    } catch (const RegFileError&) {
        return 0; // refused cleanly
    }
    CheckRoundTrip(document, RegistryRoot::LocalMachine);
    CheckRoundTrip(document, RegistryRoot::CurrentUser);
    return 0;
}
