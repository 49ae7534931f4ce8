#include "keys/TestKeys.h"

#include <fstream>
#include <memory>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdexcept>

namespace testsupport {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioDeleter>;

std::string Text(const Bio& bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

KeyFiles Write(const Key& key, const std::filesystem::path& folder, std::string_view name,
               const std::optional<std::string>& passphrase) {
    if (!key)
        throw std::runtime_error("key generation failed");
    const Bio privateBio(BIO_new(BIO_s_mem()));
    const Bio publicBio(BIO_new(BIO_s_mem()));
    const EVP_CIPHER* cipher = passphrase ? EVP_aes_256_cbc() : nullptr;
    auto* pass = passphrase ? reinterpret_cast<const unsigned char*>(passphrase->data()) : nullptr;
    const int passLength = passphrase ? static_cast<int>(passphrase->size()) : 0;
    if (PEM_write_bio_PKCS8PrivateKey(privateBio.get(), key.get(), cipher, reinterpret_cast<const char*>(pass),
                                      passLength, nullptr, nullptr) != 1 ||
        PEM_write_bio_PUBKEY(publicBio.get(), key.get()) != 1)
        throw std::runtime_error("key encoding failed");
    KeyFiles files{folder / (std::string(name) + ".pem"), folder / (std::string(name) + ".pub.pem")};
    WriteFile(files.privateKey, Text(privateBio));
    WriteFile(files.publicKey, Text(publicBio));
    return files;
}

} // namespace

KeyFiles MakeEd25519Key(const std::filesystem::path& folder, std::string_view name,
                        const std::optional<std::string>& passphrase) {
    return Write(Key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519")), folder, name, passphrase);
}

KeyFiles MakeOtherKey(const std::filesystem::path& folder, std::string_view name, std::string_view algorithm) {
    Key key;
    if (algorithm == "RSA")
        key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", std::size_t{2048}));
    else if (algorithm == "EC")
        key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    else
        key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, std::string(algorithm).c_str()));
    return Write(key, folder, name, std::nullopt);
}

} // namespace testsupport
