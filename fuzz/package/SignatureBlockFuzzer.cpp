// libFuzzer target for the signature block of a package. The first byte picks what the rest is:
//   0: a signature block on its own: decoded, and when it decodes, encoded back to the same bytes
//   1: the signature block of an otherwise valid empty package: opened by the reader, every
//      signature checked, and the machine's check run against a fixed trusted key
// Any input must end in a result or a PackageError, within bounded memory.

#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/SignatureBlock.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using namespace update::package;
using namespace update::trust;

void FuzzBlock(std::span<const unsigned char> bytes) {
    const auto records = DecodeSignatureBlock(bytes);
    if (records.empty()) {
        return;
    }
    const auto encoded = EncodeSignatureBlock(records);
    if (!std::equal(encoded.begin(), encoded.end(), bytes.begin(), bytes.end())) {
        __builtin_trap();
    }
}

// The start marker, no packed file, an empty directory, `block`, and a footer that holds.
std::vector<unsigned char> EmptyPackageWith(std::span<const unsigned char> block) {
    std::vector<unsigned char> package(kStartMarker.begin(), kStartMarker.end());
    package.insert(package.end(), block.begin(), block.end());
    Footer footer;
    footer.entryCount = 0;
    footer.directoryOffset = kStartMarker.size();
    footer.directoryLength = 0;
    footer.packageLength = kStartMarker.size() + block.size();
    footer.directoryDigest = Sha256Of({});
    const auto footerBytes = EncodeFooter(footer);
    package.insert(package.end(), footerBytes.begin(), footerBytes.end());
    return package;
}

void FuzzPackage(std::span<const unsigned char> bytes) {
    const auto package = EmptyPackageWith(bytes);
    const PackageReader reader(std::make_unique<MemorySource>(package), 1);
    const auto checks = CheckSignatures(reader);
    if (checks.size() != reader.Signatures().size()) {
        __builtin_trap();
    }
    RawPublicKey raw{};
    raw.fill(0x5A);
    const PublicKey trusted = PublicKey::FromRaw(raw);
    RequireTrustedSignature(reader, std::vector<TrustedKey>{{trusted.Id(), trusted}});
    // Only a signature by the trusted key that holds lets the check pass; none can be forged here.
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const unsigned char> bytes(data + 1, size - 1);
    try {
        if (data[0] % 2 == 0) {
            FuzzBlock(bytes);
        } else {
            FuzzPackage(bytes);
        }
    } catch (const PackageError&) {
        // refusing damaged bytes, or a package that no trusted key signed, is the expected outcome
    }
    return 0;
}
