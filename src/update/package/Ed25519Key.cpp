#include "update/package/Ed25519Key.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace update::package {

namespace {

// Keys are small; anything larger is not a key file.
constexpr std::uintmax_t kMaxKeyFileSize = 64 * 1024;

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioDeleter>;

struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

std::string QuotedFile(const std::filesystem::path& file) {
    return Quoted(std::string_view(file.native()));
}

std::string ReadKeyFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error) {
        throw PackageError("Impossible de lire la clé " + QuotedFile(file) + " : " + SystemErrorText(error.value()) +
                           ".");
    }
    if (size > kMaxKeyFileSize) {
        throw PackageError("Le fichier " + QuotedFile(file) + " n'est pas une clé : il est trop grand.");
    }
    const FileDescriptor fd = OpenForReading(file);
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(ReadSome(fd.Get(), std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()), file));
    return text;
}

Bio MemoryBio(std::string_view text) {
    Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    if (!bio) {
        throw PackageError("libcrypto : mémoire insuffisante.");
    }
    return bio;
}

std::string TypeName(const evp_pkey_st* key) {
    const char* name = EVP_PKEY_get0_type_name(key);
    return name != nullptr ? name : "inconnu";
}

void RequireEd25519(const evp_pkey_st* key, std::string_view name) {
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_ED25519) {
        throw PackageError("La clé " + Quoted(name) + " n'est pas une clé Ed25519 (type " + TypeName(key) + ").");
    }
}

RawPublicKey RawOf(const evp_pkey_st* key) {
    RawPublicKey raw{};
    std::size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(key, raw.data(), &length) != 1 || length != raw.size()) {
        ERR_clear_error();
        throw PackageError("libcrypto : la clé publique Ed25519 est illisible.");
    }
    return raw;
}

struct PassphraseRequest {
    const PassphraseSource* source = nullptr;
    bool asked = false;
    bool tooLong = false;
    std::exception_ptr fault;
};

// libcrypto's callback: nothing may be thrown through the C code, so a fault is kept for later.
int PassphraseCallback(char* buffer, int size, int /*writing*/, void* data) {
    auto& request = *static_cast<PassphraseRequest*>(data);
    request.asked = true;
    if (request.source == nullptr || !*request.source) {
        return -1;
    }
    try {
        const std::string passphrase = (*request.source)();
        if (passphrase.size() > static_cast<std::size_t>(size)) {
            request.tooLong = true;
            return -1;
        }
        std::memcpy(buffer, passphrase.data(), passphrase.size());
        return static_cast<int>(passphrase.size());
    } catch (...) {
        request.fault = std::current_exception(); // rethrown once libcrypto has returned
        return -1;
    }
}

} // namespace

void EvpKeyDeleter::operator()(evp_pkey_st* key) const {
    EVP_PKEY_free(key);
}

PublicKey::PublicKey(EvpKey key)
    : FKey(std::move(key))
    , FRaw(RawOf(FKey.get())) {}

PublicKey PublicKey::FromRaw(const RawPublicKey& raw) {
    EvpKey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw.data(), raw.size()));
    if (!key) {
        ERR_clear_error();
        throw PackageError("libcrypto : la clé publique Ed25519 est illisible.");
    }
    return PublicKey(std::move(key));
}

PublicKey PublicKey::FromPem(std::string_view pem, std::string_view name) {
    const Bio bio = MemoryBio(pem);
    EvpKey key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    ERR_clear_error();
    if (!key) {
        if (pem.find("PRIVATE KEY-----") != std::string_view::npos) {
            throw PackageError("Le fichier " + Quoted(name) +
                               " contient une clé privée : donnez la clé publique (openssl pkey -pubout).");
        }
        throw PackageError("Le fichier " + Quoted(name) + " n'est pas une clé publique PEM lisible.");
    }
    RequireEd25519(key.get(), name);
    return PublicKey(std::move(key));
}

PublicKey PublicKey::FromPemFile(const std::filesystem::path& file) {
    return FromPem(ReadKeyFile(file), file.native());
}

std::string PublicKey::Pem() const {
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PUBKEY(bio.get(), FKey.get()) != 1) {
        ERR_clear_error();
        throw PackageError("libcrypto : impossible d'écrire la clé publique.");
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

bool PublicKey::Verify(std::span<const unsigned char> message, const SignatureBytes& signature) const {
    const MdContext context(EVP_MD_CTX_new());
    // Ed25519 hashes the message itself: no digest is given.
    const bool holds =
        context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, FKey.get()) == 1 &&
        EVP_DigestVerify(context.get(), signature.data(), signature.size(), message.data(), message.size()) == 1;
    ERR_clear_error();
    return holds;
}

PrivateKey::PrivateKey(EvpKey key, PublicKey publicKey)
    : FKey(std::move(key))
    , FPublic(std::move(publicKey)) {}

PrivateKey PrivateKey::FromPemFile(const std::filesystem::path& file, const PassphraseSource& passphrase) {
    const std::string pem = ReadKeyFile(file);
    const std::string name = file.native();
    const Bio bio = MemoryBio(pem);
    PassphraseRequest request;
    request.source = &passphrase;
    EvpKey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, PassphraseCallback, &request));
    ERR_clear_error();
    if (request.fault) {
        std::rethrow_exception(request.fault);
    }
    if (!key) {
        if (request.tooLong) {
            throw PackageError("La phrase secrète de la clé " + Quoted(name) + " est trop longue.");
        }
        if (request.asked) {
            throw PackageError("La phrase secrète de la clé " + Quoted(name) + " est incorrecte.");
        }
        if (pem.find("-----BEGIN PUBLIC KEY-----") != std::string::npos) {
            throw PackageError("Le fichier " + Quoted(name) +
                               " contient une clé publique : signer demande la clé privée.");
        }
        throw PackageError("Le fichier " + Quoted(name) + " n'est pas une clé privée PEM (PKCS#8) lisible.");
    }
    RequireEd25519(key.get(), name);
    PublicKey publicKey = PublicKey::FromRaw(RawOf(key.get()));
    return PrivateKey(std::move(key), std::move(publicKey));
}

SignatureBytes PrivateKey::Sign(std::span<const unsigned char> message) const {
    SignatureBytes signature{};
    std::size_t length = signature.size();
    const MdContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, FKey.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length, message.data(), message.size()) != 1 ||
        length != signature.size()) {
        ERR_clear_error();
        throw PackageError("libcrypto : la signature Ed25519 a échoué.");
    }
    return signature;
}

std::string ShortKeyId(const KeyId& id) {
    return DigestHex(id).substr(0, 16);
}

} // namespace update::package
