#include "update/trust/SignedMessage.h"

#include <algorithm>
#include <vector>

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

} // namespace

std::array<unsigned char, kSignedMessageSize> SignedMessage(const package::Footer& footer, const package::KeyId& keyId,
                                                            std::int64_t signingTime) {
    std::vector<unsigned char> out;
    Append(out, package::kSignatureMagic);
    Put(out, footer.version);
    Put(out, footer.entryCount);
    Put(out, footer.directoryOffset);
    Put(out, footer.directoryLength);
    Append(out, footer.directoryDigest);
    Append(out, keyId);
    Put(out, signingTime);
    std::array<unsigned char, kSignedMessageSize> message{};
    std::copy(out.begin(), out.end(), message.begin());
    return message;
}

} // namespace update::trust
