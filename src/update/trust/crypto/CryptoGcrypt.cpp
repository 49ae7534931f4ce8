#include "update/trust/crypto/Crypto.h"

// The backend on libgcrypt (the Windows build: Debian's mingw libgcrypt). The key files are those
// OpenSSL writes: PEM around DER, a SubjectPublicKeyInfo public key, a PKCS#8 private key, plain
// or encrypted with PBES2 (PBKDF2 and AES-CBC). libgcrypt has the algorithms but reads no key
// file, so the PEM armour and the few DER structures are read here by hand.

#include <algorithm>
#include <cstring>
#include <gcrypt.h>
#include <mutex>
#include <optional>
#include <vector>

namespace update::trust::crypto {

namespace {

using Bytes = std::vector<unsigned char>;
using ByteSpan = std::span<const unsigned char>;

constexpr std::size_t kMaximumPassphrase = 1024; // what OpenSSL's PEM reader takes

void Initialize() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (gcry_check_version(GCRYPT_VERSION) == nullptr)
            throw CryptoError(CryptoError::Kind::Unavailable, "libgcrypt trop ancienne");
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

// --- PEM armour -------------------------------------------------------------------------------

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<Bytes> Base64Decode(std::string_view text) {
    Bytes out;
    unsigned value = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=' || c == '\r' || c == '\n' || c == ' ' || c == '\t')
            continue;
        const char* found = std::strchr(kBase64, c);
        if (found == nullptr || c == '\0')
            return std::nullopt;
        value = (value << 6) | static_cast<unsigned>(found - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<unsigned char>((value >> bits) & 0xFF));
        }
    }
    return out;
}

std::string Base64Lines(ByteSpan bytes) {
    std::string text;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned b0 = bytes[i];
        const unsigned b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const unsigned b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        text += kBase64[b0 >> 2];
        text += kBase64[((b0 & 3) << 4) | (b1 >> 4)];
        text += i + 1 < bytes.size() ? kBase64[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        text += i + 2 < bytes.size() ? kBase64[b2 & 63] : '=';
        column += 4;
        if (column == 64) {
            text += '\n';
            column = 0;
        }
    }
    if (column != 0)
        text += '\n';
    return text;
}

// The DER inside the first "-----BEGIN <label>-----" block of `pem`, or nothing.
std::optional<Bytes> PemBlock(std::string_view pem, std::string_view label) {
    const std::string begin = "-----BEGIN " + std::string(label) + "-----";
    const std::string end = "-----END " + std::string(label) + "-----";
    const std::size_t start = pem.find(begin);
    if (start == std::string_view::npos)
        return std::nullopt;
    const std::size_t body = start + begin.size();
    const std::size_t stop = pem.find(end, body);
    if (stop == std::string_view::npos)
        return std::nullopt;
    return Base64Decode(pem.substr(body, stop - body));
}

// --- DER --------------------------------------------------------------------------------------

// Reads DER elements one after the other; every length is checked against what is left.
class DerReader {
public:
    explicit DerReader(ByteSpan bytes)
        : FBytes(bytes) {}

    bool AtEnd() const { return FPosition == FBytes.size(); }
    std::optional<unsigned char> PeekTag() const {
        return AtEnd() ? std::nullopt : std::optional<unsigned char>(FBytes[FPosition]);
    }
    // The content of the next element when its tag is `tag`.
    std::optional<ByteSpan> Read(unsigned char tag) {
        if (FBytes.size() - FPosition < 2 || FBytes[FPosition] != tag)
            return std::nullopt;
        std::size_t position = FPosition + 1;
        std::size_t length = FBytes[position++];
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || FBytes.size() - position < count)
                return std::nullopt;
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | FBytes[position++];
        }
        if (FBytes.size() - position < length)
            return std::nullopt;
        FPosition = position + length;
        return FBytes.subspan(position, length);
    }
    std::optional<unsigned long> ReadSmallInteger() {
        const auto content = Read(0x02);
        if (!content || content->empty() || content->size() > 4 || ((*content)[0] & 0x80))
            return std::nullopt;
        unsigned long value = 0;
        for (const unsigned char b : *content)
            value = (value << 8) | b;
        return value;
    }

private:
    ByteSpan FBytes;
    std::size_t FPosition = 0;
};

bool Equal(ByteSpan a, ByteSpan b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Object identifiers, as their DER content bytes.
constexpr unsigned char kOidEd25519[] = {0x2B, 0x65, 0x70};
constexpr unsigned char kOidEd448[] = {0x2B, 0x65, 0x71};
constexpr unsigned char kOidX25519[] = {0x2B, 0x65, 0x6E};
constexpr unsigned char kOidX448[] = {0x2B, 0x65, 0x6F};
constexpr unsigned char kOidRsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
constexpr unsigned char kOidEc[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
constexpr unsigned char kOidDsa[] = {0x2A, 0x86, 0x48, 0xCE, 0x38, 0x04, 0x01};
constexpr unsigned char kOidPbes2[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x05, 0x0D};
constexpr unsigned char kOidPbkdf2[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x05, 0x0C};
constexpr unsigned char kOidHmacSha1[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x07};
constexpr unsigned char kOidHmacSha256[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x09};
constexpr unsigned char kOidHmacSha512[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x0B};
constexpr unsigned char kOidAes128Cbc[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x01, 0x02};
constexpr unsigned char kOidAes192Cbc[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x01, 0x16};
constexpr unsigned char kOidAes256Cbc[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x01, 0x2A};

// The name OpenSSL gives a key type, for the message about a key that is not Ed25519.
std::string KeyTypeName(ByteSpan oid) {
    const std::pair<ByteSpan, const char*> names[] = {
        {kOidEd448, "ED448"}, {kOidX25519, "X25519"}, {kOidX448, "X448"},
        {kOidRsa, "RSA"},     {kOidEc, "EC"},         {kOidDsa, "DSA"},
    };
    for (const auto& [known, name] : names)
        if (Equal(oid, known))
            return name;
    return "inconnu";
}

// The algorithm of an AlgorithmIdentifier: its OID, and its parameters' reader.
std::optional<ByteSpan> AlgorithmOid(DerReader& reader, DerReader* parameters = nullptr) {
    const auto algorithm = reader.Read(0x30);
    if (!algorithm)
        return std::nullopt;
    DerReader inner(*algorithm);
    const auto oid = inner.Read(0x06);
    if (oid && parameters != nullptr)
        *parameters = inner;
    return oid;
}

// The 32-byte seed of a PKCS#8 PrivateKeyInfo (v1 or v2) of Ed25519.
RawPublicKey SeedOfPrivateKeyInfo(ByteSpan der, CryptoError::Kind onDamage) {
    DerReader outer(der);
    const auto info = outer.Read(0x30);
    if (!info)
        throw CryptoError(onDamage);
    DerReader reader(*info);
    const auto version = reader.ReadSmallInteger();
    const auto oid = AlgorithmOid(reader);
    if (!version || *version > 1 || !oid)
        throw CryptoError(onDamage);
    if (!Equal(*oid, kOidEd25519))
        throw CryptoError(CryptoError::Kind::NotEd25519, KeyTypeName(*oid));
    const auto wrapped = reader.Read(0x04);
    if (!wrapped)
        throw CryptoError(onDamage);
    DerReader inner(*wrapped);
    const auto seed = inner.Read(0x04);
    if (!seed || seed->size() != 32)
        throw CryptoError(onDamage);
    RawPublicKey out{};
    std::copy(seed->begin(), seed->end(), out.begin());
    return out;
}

// --- PBES2 ------------------------------------------------------------------------------------

struct Pbes2 {
    Bytes salt;
    unsigned long iterations = 0;
    int hash = GCRY_MD_SHA1; // the PRF's hash: HMAC-SHA1 unless the parameters name another
    int cipher = 0;
    std::size_t keyLength = 0;
    Bytes iv;
    Bytes encrypted;
};

std::optional<Pbes2> ReadEncryptedPrivateKeyInfo(ByteSpan der) {
    DerReader outer(der);
    const auto info = outer.Read(0x30);
    if (!info)
        return std::nullopt;
    DerReader reader(*info);
    DerReader schemeParameters(ByteSpan{});
    const auto scheme = AlgorithmOid(reader, &schemeParameters);
    const auto encrypted = reader.Read(0x04);
    if (!scheme || !Equal(*scheme, kOidPbes2) || !encrypted)
        return std::nullopt;
    const auto parameters = schemeParameters.Read(0x30);
    if (!parameters)
        return std::nullopt;
    DerReader pbes2(*parameters);
    DerReader kdfParameters(ByteSpan{});
    const auto kdf = AlgorithmOid(pbes2, &kdfParameters);
    DerReader cipherParameters(ByteSpan{});
    const auto cipher = AlgorithmOid(pbes2, &cipherParameters);
    if (!kdf || !Equal(*kdf, kOidPbkdf2) || !cipher)
        return std::nullopt;

    Pbes2 out;
    const auto pbkdf2 = kdfParameters.Read(0x30);
    if (!pbkdf2)
        return std::nullopt;
    DerReader kdfReader(*pbkdf2);
    const auto salt = kdfReader.Read(0x04);
    const auto iterations = kdfReader.ReadSmallInteger();
    if (!salt || !iterations || *iterations == 0)
        return std::nullopt;
    out.salt.assign(salt->begin(), salt->end());
    out.iterations = *iterations;
    std::optional<unsigned long> keyLength;
    if (kdfReader.PeekTag() == 0x02)
        keyLength = kdfReader.ReadSmallInteger();
    if (!kdfReader.AtEnd()) {
        const auto prf = AlgorithmOid(kdfReader);
        if (prf && Equal(*prf, kOidHmacSha256))
            out.hash = GCRY_MD_SHA256;
        else if (prf && Equal(*prf, kOidHmacSha512))
            out.hash = GCRY_MD_SHA512;
        else if (!prf || !Equal(*prf, kOidHmacSha1))
            return std::nullopt;
    }

    if (Equal(*cipher, kOidAes256Cbc)) {
        out.cipher = GCRY_CIPHER_AES256;
        out.keyLength = 32;
    } else if (Equal(*cipher, kOidAes192Cbc)) {
        out.cipher = GCRY_CIPHER_AES192;
        out.keyLength = 24;
    } else if (Equal(*cipher, kOidAes128Cbc)) {
        out.cipher = GCRY_CIPHER_AES128;
        out.keyLength = 16;
    } else {
        return std::nullopt;
    }
    if (keyLength && *keyLength != out.keyLength)
        return std::nullopt;
    const auto iv = cipherParameters.Read(0x04);
    if (!iv || iv->size() != 16 || encrypted->empty() || encrypted->size() % 16 != 0)
        return std::nullopt;
    out.iv.assign(iv->begin(), iv->end());
    out.encrypted.assign(encrypted->begin(), encrypted->end());
    return out;
}

// The PrivateKeyInfo inside, or nothing when the passphrase does not open it (its padding or
// its structure come out wrong).
std::optional<Bytes> Decrypt(const Pbes2& scheme, const std::string& passphrase) {
    Bytes key(scheme.keyLength);
    if (gcry_kdf_derive(passphrase.data(), passphrase.size(), GCRY_KDF_PBKDF2, scheme.hash, scheme.salt.data(),
                        scheme.salt.size(), scheme.iterations, key.size(), key.data()) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "PBKDF2 indisponible");
    gcry_cipher_hd_t cipher = nullptr;
    if (gcry_cipher_open(&cipher, scheme.cipher, GCRY_CIPHER_MODE_CBC, 0) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "AES indisponible");
    Bytes plain(scheme.encrypted.size());
    const bool decrypted =
        gcry_cipher_setkey(cipher, key.data(), key.size()) == 0 &&
        gcry_cipher_setiv(cipher, scheme.iv.data(), scheme.iv.size()) == 0 &&
        gcry_cipher_decrypt(cipher, plain.data(), plain.size(), scheme.encrypted.data(), scheme.encrypted.size()) == 0;
    gcry_cipher_close(cipher);
    if (!decrypted)
        throw CryptoError(CryptoError::Kind::Unavailable, "AES : échec du déchiffrement");
    const unsigned padding = plain.back();
    if (padding == 0 || padding > 16)
        return std::nullopt;
    for (std::size_t i = plain.size() - padding; i < plain.size(); ++i)
        if (plain[i] != padding)
            return std::nullopt;
    plain.resize(plain.size() - padding);
    return plain;
}

// --- Ed25519 ----------------------------------------------------------------------------------

struct SexpDeleter {
    void operator()(gcry_sexp_t sexp) const { gcry_sexp_release(sexp); }
};
using Sexp = std::unique_ptr<gcry_sexp, SexpDeleter>;

Sexp PublicKeySexp(const RawPublicKey& key) {
    gcry_sexp_t sexp = nullptr;
    if (gcry_sexp_build(&sexp, nullptr, "(public-key(ecc(curve Ed25519)(flags eddsa)(q %b)))",
                        static_cast<int>(key.size()), key.data()) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "Ed25519 indisponible");
    return Sexp(sexp);
}

Sexp DataSexp(ByteSpan message) {
    gcry_sexp_t sexp = nullptr;
    if (gcry_sexp_build(&sexp, nullptr, "(data(flags eddsa)(hash-algo sha512)(value %b))",
                        static_cast<int>(message.size()), message.data()) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "Ed25519 indisponible");
    return Sexp(sexp);
}

// The bytes of the token `name` inside `sexp`, padded on the left to `size` (libgcrypt drops
// leading zero bytes of r and s).
std::optional<Bytes> TokenBytes(gcry_sexp_t sexp, const char* name, std::size_t size) {
    const Sexp token(gcry_sexp_find_token(sexp, name, 0));
    if (!token)
        return std::nullopt;
    std::size_t length = 0;
    const char* data = gcry_sexp_nth_data(token.get(), 1, &length);
    if (data == nullptr || length > size)
        return std::nullopt;
    Bytes out(size - length, 0);
    out.insert(out.end(), data, data + length);
    return out;
}

RawPublicKey PublicOfSeed(const RawPublicKey& seed) {
    gcry_sexp_t sexp = nullptr;
    if (gcry_sexp_build(&sexp, nullptr, "(private-key(ecc(curve Ed25519)(flags eddsa)(d %b)))",
                        static_cast<int>(seed.size()), seed.data()) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "Ed25519 indisponible");
    const Sexp key(sexp);
    gcry_ctx_t context = nullptr;
    if (gcry_mpi_ec_new(&context, key.get(), nullptr) != 0)
        throw CryptoError(CryptoError::Kind::Unavailable, "Ed25519 indisponible");
    gcry_mpi_t point = gcry_mpi_ec_get_mpi("q@eddsa", context, 1);
    gcry_ctx_release(context);
    unsigned bits = 0;
    const auto* data =
        static_cast<const unsigned char*>(point != nullptr ? gcry_mpi_get_opaque(point, &bits) : nullptr);
    RawPublicKey out{};
    const bool whole = data != nullptr && bits == 8 * out.size();
    if (whole)
        std::memcpy(out.data(), data, out.size());
    gcry_mpi_release(point);
    if (!whole)
        throw CryptoError(CryptoError::Kind::Unavailable, "Ed25519 : clé publique incalculable");
    return out;
}

constexpr unsigned char kSpkiPrefix[] = {0x30, 0x2A, 0x30, 0x05, 0x06, 0x03, 0x2B, 0x65, 0x70, 0x03, 0x21, 0x00};

} // namespace

struct Sha256::State {
    gcry_md_hd_t handle = nullptr;
    ~State() { gcry_md_close(handle); }
};

Sha256::Sha256()
    : FState(std::make_unique<State>()) {
    Initialize();
    if (gcry_md_open(&FState->handle, GCRY_MD_SHA256, 0) != 0)
        throw std::runtime_error("SHA-256 indisponible dans libgcrypt");
}

Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;
Sha256::~Sha256() = default;

void Sha256::Update(std::span<const unsigned char> bytes) {
    gcry_md_write(FState->handle, bytes.data(), bytes.size());
}

Digest Sha256::Final() {
    Digest digest{};
    const unsigned char* value = gcry_md_read(FState->handle, GCRY_MD_SHA256);
    if (value == nullptr)
        throw std::runtime_error("SHA-256 : échec du calcul");
    std::memcpy(digest.data(), value, digest.size());
    return digest;
}

// As libcrypto does, any 32 bytes are taken as an Ed25519 public key; a point that does not
// decode fails every verification.
void RequireEd25519PublicKey(const RawPublicKey&) {}

bool Ed25519Verify(const RawPublicKey& raw, std::span<const unsigned char> message, const SignatureBytes& signature) {
    Initialize();
    const Sexp key = PublicKeySexp(raw);
    const Sexp data = DataSexp(message);
    gcry_sexp_t sexp = nullptr;
    if (gcry_sexp_build(&sexp, nullptr, "(sig-val(eddsa(r %b)(s %b)))", 32, signature.data(), 32,
                        signature.data() + 32) != 0)
        return false;
    const Sexp signatureSexp(sexp);
    return gcry_pk_verify(signatureSexp.get(), data.get(), key.get()) == 0;
}

RawPublicKey Ed25519PublicKeyFromPem(std::string_view pem) {
    const auto der = PemBlock(pem, "PUBLIC KEY");
    if (!der)
        throw CryptoError(CryptoError::Kind::NotPublicKey);
    DerReader outer(*der);
    const auto info = outer.Read(0x30);
    if (!info)
        throw CryptoError(CryptoError::Kind::NotPublicKey);
    DerReader reader(*info);
    const auto oid = AlgorithmOid(reader);
    const auto bits = reader.Read(0x03);
    if (!oid || !bits)
        throw CryptoError(CryptoError::Kind::NotPublicKey);
    if (!Equal(*oid, kOidEd25519))
        throw CryptoError(CryptoError::Kind::NotEd25519, KeyTypeName(*oid));
    if (bits->size() != 33 || (*bits)[0] != 0)
        throw CryptoError(CryptoError::Kind::BadPublicKey);
    RawPublicKey key{};
    std::copy(bits->begin() + 1, bits->end(), key.begin());
    return key;
}

std::string Ed25519PublicKeyPem(const RawPublicKey& key) {
    Bytes der(std::begin(kSpkiPrefix), std::end(kSpkiPrefix));
    der.insert(der.end(), key.begin(), key.end());
    return "-----BEGIN PUBLIC KEY-----\n" + Base64Lines(der) + "-----END PUBLIC KEY-----\n";
}

struct Ed25519PrivateKey::State {
    RawPublicKey seed{};
    ~State() {
        volatile unsigned char* bytes = seed.data(); // the secret does not outlive the key
        for (std::size_t i = 0; i < seed.size(); ++i)
            bytes[i] = 0;
    }
};

Ed25519PrivateKey::Ed25519PrivateKey(std::shared_ptr<const State> state, const RawPublicKey& publicKey)
    : FState(std::move(state))
    , FPublic(publicKey) {}

Ed25519PrivateKey Ed25519PrivateKey::FromPem(std::string_view pem, const PassphraseSource& passphrase) {
    Initialize();
    auto state = std::make_shared<State>();
    if (const auto plain = PemBlock(pem, "PRIVATE KEY")) {
        state->seed = SeedOfPrivateKeyInfo(*plain, CryptoError::Kind::NotPrivateKey);
    } else if (const auto encrypted = PemBlock(pem, "ENCRYPTED PRIVATE KEY")) {
        const auto scheme = ReadEncryptedPrivateKeyInfo(*encrypted);
        if (!scheme)
            throw CryptoError(CryptoError::Kind::NotPrivateKey);
        if (!passphrase)
            throw CryptoError(CryptoError::Kind::WrongPassphrase);
        const std::string given = passphrase();
        if (given.size() > kMaximumPassphrase)
            throw CryptoError(CryptoError::Kind::PassphraseTooLong);
        const auto info = Decrypt(*scheme, given);
        if (!info)
            throw CryptoError(CryptoError::Kind::WrongPassphrase);
        try {
            state->seed = SeedOfPrivateKeyInfo(*info, CryptoError::Kind::WrongPassphrase);
        } catch (const CryptoError& error) {
            if (error.What() == CryptoError::Kind::NotEd25519)
                throw;
            throw CryptoError(CryptoError::Kind::WrongPassphrase);
        }
    } else {
        throw CryptoError(CryptoError::Kind::NotPrivateKey);
    }
    const RawPublicKey publicKey = PublicOfSeed(state->seed);
    return Ed25519PrivateKey(std::move(state), publicKey);
}

SignatureBytes Ed25519PrivateKey::Sign(std::span<const unsigned char> message) const {
    gcry_sexp_t sexp = nullptr;
    if (gcry_sexp_build(&sexp, nullptr, "(private-key(ecc(curve Ed25519)(flags eddsa)(d %b)(q %b)))",
                        static_cast<int>(FState->seed.size()), FState->seed.data(), static_cast<int>(FPublic.size()),
                        FPublic.data()) != 0)
        throw CryptoError(CryptoError::Kind::SigningFailed);
    const Sexp key(sexp);
    const Sexp data = DataSexp(message);
    gcry_sexp_t signed_ = nullptr;
    if (gcry_pk_sign(&signed_, data.get(), key.get()) != 0)
        throw CryptoError(CryptoError::Kind::SigningFailed);
    const Sexp result(signed_);
    const auto r = TokenBytes(result.get(), "r", 32);
    const auto s = TokenBytes(result.get(), "s", 32);
    if (!r || !s)
        throw CryptoError(CryptoError::Kind::SigningFailed);
    SignatureBytes signature{};
    std::copy(r->begin(), r->end(), signature.begin());
    std::copy(s->begin(), s->end(), signature.begin() + 32);
    return signature;
}

} // namespace update::trust::crypto
