#include "update/trust/crypto/Crypto.h"

// The backend on OpenSSL's libcrypto.

#include <cstring>
#include <exception>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace update::trust::crypto {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioDeleter>;

struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

Bio MemoryBio(std::string_view text) {
    Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    if (!bio) {
        throw CryptoError(CryptoError::Kind::Unavailable, "mémoire insuffisante");
    }
    return bio;
}

void RequireEd25519(const EVP_PKEY* key) {
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_ED25519) {
        const char* name = EVP_PKEY_get0_type_name(key);
        throw CryptoError(CryptoError::Kind::NotEd25519, name != nullptr ? name : "inconnu");
    }
}

RawPublicKey RawOf(const EVP_PKEY* key) {
    RawPublicKey raw{};
    std::size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(key, raw.data(), &length) != 1 || length != raw.size()) {
        ERR_clear_error();
        throw CryptoError(CryptoError::Kind::BadPublicKey);
    }
    return raw;
}

Key KeyOf(const RawPublicKey& raw) {
    Key key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw.data(), raw.size()));
    ERR_clear_error();
    return key;
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

struct Sha256::State {
    MdContext context{EVP_MD_CTX_new()};
};

Sha256::Sha256()
    : FState(std::make_unique<State>()) {
    if (!FState->context || EVP_DigestInit_ex(FState->context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 indisponible dans libcrypto");
    }
}

Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;
Sha256::~Sha256() = default;

void Sha256::Update(std::span<const unsigned char> bytes) {
    if (EVP_DigestUpdate(FState->context.get(), bytes.data(), bytes.size()) != 1) {
        throw std::runtime_error("SHA-256 : échec du calcul");
    }
}

Digest Sha256::Final() {
    Digest digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(FState->context.get(), digest.data(), &length) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 : échec du calcul");
    }
    return digest;
}

void RequireEd25519PublicKey(const RawPublicKey& key) {
    if (!KeyOf(key)) {
        throw CryptoError(CryptoError::Kind::BadPublicKey);
    }
}

bool Ed25519Verify(const RawPublicKey& raw, std::span<const unsigned char> message, const SignatureBytes& signature) {
    const Key key = KeyOf(raw);
    if (!key) {
        return false;
    }
    const MdContext context(EVP_MD_CTX_new());
    // Ed25519 hashes the message itself: no digest is given.
    const bool holds =
        context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
        EVP_DigestVerify(context.get(), signature.data(), signature.size(), message.data(), message.size()) == 1;
    ERR_clear_error();
    return holds;
}

RawPublicKey Ed25519PublicKeyFromPem(std::string_view pem) {
    const Bio bio = MemoryBio(pem);
    const Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    ERR_clear_error();
    if (!key) {
        throw CryptoError(CryptoError::Kind::NotPublicKey);
    }
    RequireEd25519(key.get());
    return RawOf(key.get());
}

std::string Ed25519PublicKeyPem(const RawPublicKey& raw) {
    const Key key = KeyOf(raw);
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!key || !bio || PEM_write_bio_PUBKEY(bio.get(), key.get()) != 1) {
        ERR_clear_error();
        throw CryptoError(CryptoError::Kind::Unavailable, "impossible d'écrire la clé publique");
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

struct Ed25519PrivateKey::State {
    Key key;
};

Ed25519PrivateKey::Ed25519PrivateKey(std::shared_ptr<const State> state, const RawPublicKey& publicKey)
    : FState(std::move(state))
    , FPublic(publicKey) {}

Ed25519PrivateKey Ed25519PrivateKey::FromPem(std::string_view pem, const PassphraseSource& passphrase) {
    const Bio bio = MemoryBio(pem);
    PassphraseRequest request;
    request.source = &passphrase;
    Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, PassphraseCallback, &request));
    ERR_clear_error();
    if (request.fault) {
        std::rethrow_exception(request.fault);
    }
    if (!key) {
        if (request.tooLong) {
            throw CryptoError(CryptoError::Kind::PassphraseTooLong);
        }
        if (request.asked) {
            throw CryptoError(CryptoError::Kind::WrongPassphrase);
        }
        throw CryptoError(CryptoError::Kind::NotPrivateKey);
    }
    RequireEd25519(key.get());
    const RawPublicKey publicKey = RawOf(key.get());
    auto state = std::make_shared<State>();
    state->key = std::move(key);
    return Ed25519PrivateKey(std::move(state), publicKey);
}

SignatureBytes Ed25519PrivateKey::Sign(std::span<const unsigned char> message) const {
    SignatureBytes signature{};
    std::size_t length = signature.size();
    const MdContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, FState->key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length, message.data(), message.size()) != 1 ||
        length != signature.size()) {
        ERR_clear_error();
        throw CryptoError(CryptoError::Kind::SigningFailed);
    }
    return signature;
}

} // namespace update::trust::crypto
