// What checking the whole signature adds to opening a self-contained package (a program, then the
// package), on the same bytes in the same run:
//   check / open           the whole signature check of a machine that trusts the key (the
//                          program's length and SHA-256 and the Ed25519 verification), on the
//                          package opened as quarnel-update opens it: footer and directory, then
//                          every stream's digest and the program's SHA-256 on every core, then the
//                          check, which takes the digests the opening computed; against the opening
//   signed / unsigned      all that a person waits for before the update starts (the opening, the
//                          refusal of unknown signers, the check of the streams and of the program,
//                          the signature check), on the signed package with its key trusted, against
//                          the same package unsigned on a machine that trusts no key: what the
//                          program's hash costs beside the streams, plus the verification
// Sizes: QUARNEL_BENCH_SIGNATURE_MIB (default 100, the packed files),
// QUARNEL_BENCH_SIGNATURE_PROGRAM (a program file to carry the package; default a program-like file
// of QUARNEL_BENCH_SIGNATURE_PROGRAM_MIB, default 4). Rounds: median of 5.

#include "update/package/HostFile.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/Ed25519Key.h"
#include "update/trust/PackageSigning.h"
#include "update/trust/TrustCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace update::package;
using namespace update::trust;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-signature-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp");
        FPath = pattern;
    }
    ~Scratch() {
        std::error_code ignored; // a leftover scratch folder is no reason to fail the measurement
        std::filesystem::remove_all(FPath, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// Files of 1 MiB, every other one text that deflates well, the rest noise that does not.
void MakeFiles(const std::filesystem::path& folder, std::uint64_t mib, PackageWriter& writer) {
    std::filesystem::create_directories(folder);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    std::vector<char> block(1 << 20);
    for (std::uint64_t i = 0; i < mib; ++i) {
        for (std::size_t j = 0; j < block.size(); ++j) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            block[j] = i % 2 == 0 ? "mise à jour Quarnel "[j % 20] : static_cast<char>(state);
        }
        const auto file = folder / ("file" + std::to_string(i) + ".bin");
        std::ofstream(file, std::ios::binary).write(block.data(), static_cast<std::streamsize>(block.size()));
        writer.Add(file.filename().string(), file, FileTime::FromTicks(132000000000000000ULL));
    }
}

// A new key as `openssl genpkey -algorithm ed25519` writes it.
std::filesystem::path MakeKey(const std::filesystem::path& file) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            &EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_file(file.c_str(), "w"), &BIO_free);
    if (!key || !bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw std::runtime_error("key generation failed");
    return file;
}

// Program-like bytes: some text, some noise, as an executable's sections are.
std::filesystem::path MakeProgram(const std::filesystem::path& file, std::uint64_t mib) {
    std::vector<char> block(1 << 20);
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    std::ofstream out(file, std::ios::binary);
    for (std::uint64_t i = 0; i < mib; ++i) {
        for (std::size_t j = 0; j < block.size(); ++j) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            block[j] = j % 4 == 0 ? static_cast<char>(state) : "programme "[j % 10];
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return file;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Opens the package as quarnel-update does and returns the seconds until the update could start;
// `check` receives the opened package and returns the seconds its signature check took.
template <typename Check>
double OpenSeconds(const std::filesystem::path& package, const std::vector<TrustedKey>& trusted, Check check,
                   double& checkSeconds) {
    const auto start = Clock::now();
    PackageReader reader(package, CheckLater{});
    RefuseUnknownSigners(reader, trusted);
    reader.Check();
    const auto checkStart = Clock::now();
    check(reader);
    checkSeconds = Seconds(checkStart);
    return Seconds(start);
}

} // namespace

int main() {
    const char* size = std::getenv("QUARNEL_BENCH_SIGNATURE_MIB");
    const std::uint64_t mib = size != nullptr ? std::strtoull(size, nullptr, 10) : 100;
    const char* programMib = std::getenv("QUARNEL_BENCH_SIGNATURE_PROGRAM_MIB");
    const Scratch scratch;
    const char* programFile = std::getenv("QUARNEL_BENCH_SIGNATURE_PROGRAM");
    const std::filesystem::path program =
        programFile != nullptr ? std::filesystem::path(programFile)
                               : MakeProgram(scratch.Path() / "program",
                                             programMib != nullptr ? std::strtoull(programMib, nullptr, 10) : 4);
    PackageWriter writer;
    MakeFiles(scratch.Path() / "files", mib, writer);
    const PrivateKey key = PrivateKey::FromPemFile(MakeKey(scratch.Path() / "maker.pem"), {});
    const std::vector<TrustedKey> trusted = {{key.Public().Id(), key.Public()}};

    const auto unsignedPackage = scratch.Path() / "unsigned.pkg";
    writer.Write(unsignedPackage, program);
    writer.SetSignatureBlockMaker([&](const Footer& footer, const ProgramPart& part) {
        return EncodeSignatureBlock(SignFooter(footer, part, {&key}, 1'765'000'000));
    });
    const auto signedPackage = scratch.Path() / "signed.pkg";
    writer.Write(signedPackage, program);

    std::vector<double> openUnsigned, openSigned, checks;
    std::uint64_t programLength = 0;
    for (int round = 0; round < kRounds; ++round) {
        double ignored = 0;
        openUnsigned.push_back(OpenSeconds(
            unsignedPackage, {}, [](const PackageReader&) {}, ignored));
        double check = 0;
        openSigned.push_back(OpenSeconds(
            signedPackage, trusted,
            [&](const PackageReader& reader) {
                programLength = reader.ProgramLength();
                if (!RequireTrustedSignature(reader, trusted)) // throws when the signature does not hold
                    throw std::runtime_error("the signature was not checked");
            },
            check));
        checks.push_back(check);
    }
    const double open = Median(openSigned);
    const double check = Median(checks);
    std::printf("package: %llu MiB of files behind a program of %.1f MiB, 1 signature, median of %d rounds\n",
                static_cast<unsigned long long>(mib), static_cast<double>(programLength) / (1 << 20), kRounds);
    std::printf("open unsigned, no key trusted        %10.3f ms\n", Median(openUnsigned) * 1e3);
    std::printf("open signed, key trusted             %10.3f ms\n", open * 1e3);
    std::printf("  opening (the program's hash in it) %10.3f ms\n", (open - check) * 1e3);
    std::printf("  whole signature check              %10.3f ms\n", check * 1e3);
    std::printf("check / opening                      %10.4f %%  (goal: under 2 %%)\n", check / (open - check) * 100.0);
    std::printf("signed / unsigned                    %10.4f\n", open / Median(openUnsigned));
    return 0;
}
