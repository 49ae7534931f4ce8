#include "update/trust/PackageSigning.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/trust/SignedMessage.h"

#include <algorithm>

namespace update::trust {

using namespace update::package;

std::vector<SignatureRecord> SignFooter(const Footer& footer, const ProgramPart& program,
                                        const std::vector<const PrivateKey*>& keys, std::int64_t signingTime) {
    std::vector<SignatureRecord> records;
    for (const PrivateKey* key : keys) {
        SignatureRecord record;
        record.keyId = key->Public().Id();
        record.publicKey = key->Public().Raw();
        record.signingTime = signingTime;
        record.signature = key->Sign(SignedMessage(footer, program, record.keyId, signingTime));
        records.push_back(record);
    }
    return records;
}

std::vector<SignatureRecord> MergeSignatures(std::vector<SignatureRecord> existing,
                                             const std::vector<SignatureRecord>& added) {
    std::erase_if(existing, [](const SignatureRecord& old) { return old.form != kSignatureBlockVersion; });
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
        throw PackageError("Le fichier " + Quoted(PathText(file)) + " ne contient aucun paquet de mise à jour.");
    }
    Footer footer = reader.PackageFooter();
    const std::uint64_t oldSize = reader.ProgramLength() + footer.packageLength + kFooterSize;
    const auto block = EncodeSignatureBlock(
        MergeSignatures(reader.Signatures(), SignFooter(footer, reader.Program(), keys, signingTime)));
    const std::uint64_t keptLength = reader.ProgramLength() + footer.directoryOffset + footer.directoryLength;
    footer.packageLength = footer.directoryOffset + footer.directoryLength + block.size();

    const unsigned permissions = PermissionsOf(file);
    const FileDescriptor source = OpenForReading(file);
    if (RegularFileSize(source.Get(), file) != oldSize) {
        throw FileChanged(file);
    }
    // The bytes copied are hashed as they go: a file changed since it was opened is not signed.
    Sha256 program;
    Sha256 package;
    AtomicOutputFile out(file, permissions);
    std::vector<unsigned char> buffer(kChunkSize);
    for (std::uint64_t done = 0; done < keptLength;) {
        auto piece = std::span(buffer).first(std::min<std::uint64_t>(buffer.size(), keptLength - done));
        ReadAt(source.Get(), done, piece, file);
        const std::uint64_t inProgram = done < reader.ProgramLength() ? reader.ProgramLength() - done : 0;
        const auto programPiece = piece.first(std::min<std::uint64_t>(inProgram, piece.size()));
        program.Update(programPiece);
        out.Write(piece);
        done += piece.size();
    }
    if (program.Final() != reader.Program().digest) {
        throw FileChanged(file);
    }
    out.Write(block);
    out.Write(EncodeFooter(footer));
    out.Commit();
}

SignatureState StateOf(const PackageReader& reader, const SignatureRecord& record, const PublicKey& key) {
    if (record.keyId != key.Id() || record.publicKey != key.Raw()) {
        return SignatureState::Broken;
    }
    if (record.form != kSignatureBlockVersion) {
        if (!key.Verify(PreviousSignedMessage(reader.PackageFooter(), record.keyId, record.signingTime),
                        record.signature)) {
            return SignatureState::Broken;
        }
        // It covers all there is of a bare package, never the program in front of one.
        return reader.ProgramLength() == 0 ? SignatureState::Holds : SignatureState::NotCoveringProgram;
    }
    const auto message = SignedMessage(reader.PackageFooter(), reader.Program(), record.keyId, record.signingTime);
    return key.Verify(message, record.signature) ? SignatureState::Holds : SignatureState::Broken;
}

std::vector<SignatureCheck> CheckSignatures(const PackageReader& reader) {
    std::vector<SignatureCheck> checks;
    for (const auto& record : reader.Signatures()) {
        SignatureState state = SignatureState::Broken;
        try {
            state = StateOf(reader, record, PublicKey::FromRaw(record.publicKey));
        } catch (const PackageError&) {
            state = SignatureState::Broken; // bytes that are no Ed25519 key cannot carry a valid signature
        }
        checks.push_back({record, state});
    }
    return checks;
}

KeyVerdict JudgeKey(const PackageReader& reader, const PublicKey& key) {
    KeyVerdict verdict;
    bool broken = false;
    bool notCovering = false;
    for (const auto& record : reader.Signatures()) {
        if (record.keyId != key.Id()) {
            continue;
        }
        switch (StateOf(reader, record, key)) {
        case SignatureState::Holds:
            if (!verdict.newest || record.signingTime > verdict.newest->signingTime) {
                verdict.newest = record;
            }
            break;
        case SignatureState::Broken:
            broken = true;
            break;
        case SignatureState::NotCoveringProgram:
            notCovering = true;
            break;
        }
    }
    if (broken) {
        verdict.kind = KeyVerdict::Kind::Broken;
    } else if (notCovering) {
        verdict.kind = KeyVerdict::Kind::NotCoveringProgram;
    } else if (verdict.newest) {
        verdict.kind = KeyVerdict::Kind::Holds;
    }
    if (verdict.kind != KeyVerdict::Kind::Holds) {
        verdict.newest.reset();
    }
    return verdict;
}

} // namespace update::trust
