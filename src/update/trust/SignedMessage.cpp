#include "update/trust/SignedMessage.h"

namespace update::trust {

namespace {

template <typename T> void Put(std::vector<unsigned char>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
}

template <typename Array> void Append(std::vector<unsigned char>& out, const Array& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutFooter(std::vector<unsigned char>& out, const package::Footer& footer) {
    Put(out, footer.version);
    Put(out, footer.entryCount);
    Put(out, footer.directoryOffset);
    Put(out, footer.directoryLength);
    Append(out, footer.directoryDigest);
}

} // namespace

std::vector<unsigned char> SignedMessage(const package::Footer& footer, const package::ProgramPart& program,
                                         const package::KeyId& keyId, std::int64_t signingTime) {
    std::vector<unsigned char> out;
    Append(out, package::kSignatureMagic);
    Put(out, package::kSignatureBlockVersion);
    PutFooter(out, footer);
    Put(out, program.length);
    Append(out, program.digest);
    Append(out, keyId);
    Put(out, signingTime);
    return out;
}

std::vector<unsigned char> PreviousSignedMessage(const package::Footer& footer, const package::KeyId& keyId,
                                                 std::int64_t signingTime) {
    std::vector<unsigned char> out;
    Append(out, package::kSignatureMagic);
    PutFooter(out, footer);
    Append(out, keyId);
    Put(out, signingTime);
    return out;
}

} // namespace update::trust
