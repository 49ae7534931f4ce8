#include "update/trust/PackageSigning.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/trust/SignedMessage.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace update::trust {

using namespace update::package;

std::vector<SignatureRecord> SignFooter(const Footer& footer, const std::vector<const PrivateKey*>& keys,
                                        std::int64_t signingTime) {
    std::vector<SignatureRecord> records;
    for (const PrivateKey* key : keys) {
        SignatureRecord record;
        record.keyId = key->Public().Id();
        record.publicKey = key->Public().Raw();
        record.signingTime = signingTime;
        record.signature = key->Sign(SignedMessage(footer, record.keyId, signingTime));
        records.push_back(record);
    }
    return records;
}

std::vector<SignatureRecord> MergeSignatures(std::vector<SignatureRecord> existing,
                                             const std::vector<SignatureRecord>& added) {
    for (const auto& record : added) {
        const auto same = std::find_if(existing.begin(), existing.end(),
                                       [&](const SignatureRecord& old) { return old.keyId == record.keyId; });
        if (same != existing.end()) {
            *same = record;
        } else {
            existing.push_back(record);
        }
    }
    if (existing.size() > kMaxSignatures) {
        throw PackageError("Un paquet porte au plus " + std::to_string(kMaxSignatures) + " signatures.");
    }
    return existing;
}

void AddSignatures(const std::filesystem::path& file, const std::vector<const PrivateKey*>& keys,
                   std::int64_t signingTime) {
    const PackageReader reader(file);
    if (!reader.HasPackage()) {
        throw PackageError("Le fichier " + Quoted(std::string_view(file.native())) +
                           " ne contient aucun paquet de mise à jour.");
    }
    Footer footer = reader.PackageFooter();
    const std::uint64_t oldSize = reader.ProgramLength() + footer.packageLength + kFooterSize;
    const auto block =
        EncodeSignatureBlock(MergeSignatures(reader.Signatures(), SignFooter(footer, keys, signingTime)));
    const std::uint64_t keptLength = reader.ProgramLength() + footer.directoryOffset + footer.directoryLength;
    footer.packageLength = footer.directoryOffset + footer.directoryLength + block.size();

    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        throw CannotRead(file, errno);
    }
    const FileDescriptor source = OpenForReading(file);
    struct stat opened {};
    if (::fstat(source.Get(), &opened) != 0 || static_cast<std::uint64_t>(opened.st_size) != oldSize) {
        throw FileChanged(file);
    }
    AtomicOutputFile out(file, info.st_mode & 07777);
    std::vector<unsigned char> buffer(kChunkSize);
    for (std::uint64_t done = 0; done < keptLength;) {
        const auto piece = std::span(buffer).first(std::min<std::uint64_t>(buffer.size(), keptLength - done));
        ReadAt(source.Get(), done, piece, file);
        out.Write(piece);
        done += piece.size();
    }
    out.Write(block);
    out.Write(EncodeFooter(footer));
    out.Commit();
}

bool SignatureHolds(const PackageReader& reader, const SignatureRecord& record, const PublicKey& key) {
    return record.keyId == key.Id() && record.publicKey == key.Raw() &&
           key.Verify(SignedMessage(reader.PackageFooter(), record.keyId, record.signingTime), record.signature);
}

std::vector<SignatureCheck> CheckSignatures(const PackageReader& reader) {
    std::vector<SignatureCheck> checks;
    for (const auto& record : reader.Signatures()) {
        bool holds = false;
        try {
            holds = SignatureHolds(reader, record, PublicKey::FromRaw(record.publicKey));
        } catch (const PackageError&) {
            holds = false; // bytes that are no Ed25519 key cannot carry a valid signature
        }
        checks.push_back({record, holds});
    }
    return checks;
}

} // namespace update::trust
