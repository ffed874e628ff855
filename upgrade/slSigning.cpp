#include "slSigning.h"

#include "SysUtils.h"
#include "slSignature.h"

#include <sodium.h>

namespace skyloom {

namespace {

// Making keys and signing need the library's random source and its choice of implementations: sodium_init.
// Checking a signature does not: Ed25519 verification is the reference code with SHA-512, which picks nothing at
// run time. Leaving sodium_init out of that path keeps the program from carrying every implementation the
// initialisation chooses between (about 140 KB of ciphers and hashes it never uses).
bool LibraryReady() { return sodium_init() >= 0; }

} // namespace

namespace {

// The full secret key (seed and public key) of a Base64 seed.
bool ExpandSeed(std::string_view secretKeyBase64, unsigned char (&publicKey)[crypto_sign_PUBLICKEYBYTES],
                unsigned char (&secretKey)[crypto_sign_SECRETKEYBYTES])
{
    std::string seed;
    if (!DecodeExact(secretKeyBase64, crypto_sign_SEEDBYTES, seed) || !LibraryReady())
        return false;
    bool ok = crypto_sign_seed_keypair(publicKey, secretKey, reinterpret_cast<const unsigned char*>(seed.data())) == 0;
    sodium_memzero(seed.data(), seed.size());
    return ok;
}

std::string Text(const unsigned char* bytes, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

} // namespace

std::string SignFile(const std::string& path, std::string_view secretKeyBase64, std::string& why)
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    if (!ExpandSeed(secretKeyBase64, publicKey, secretKey)) {
        why = "the secret key is not Base64 of " + std::to_string(crypto_sign_SEEDBYTES) + " bytes";
        return {};
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes, why)) {
        sodium_memzero(secretKey, sizeof secretKey);
        return {};
    }
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                         secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    why.clear();
    return EncodeBase64(Text(signature, sizeof signature));
}

bool MakeKeyPair(std::string& secretKeyBase64, std::string& publicKeyBase64)
{
    if (!LibraryReady())
        return false;
    unsigned char seed[crypto_sign_SEEDBYTES], publicKey[crypto_sign_PUBLICKEYBYTES],
        secretKey[crypto_sign_SECRETKEYBYTES];
    randombytes_buf(seed, sizeof seed);
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
    secretKeyBase64 = EncodeBase64(Text(seed, sizeof seed));
    publicKeyBase64 = EncodeBase64(Text(publicKey, sizeof publicKey));
    sodium_memzero(seed, sizeof seed);
    sodium_memzero(secretKey, sizeof secretKey);
    return true;
}

std::string PublicKeyOf(std::string_view secretKeyBase64)
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    if (!ExpandSeed(secretKeyBase64, publicKey, secretKey))
        return {};
    sodium_memzero(secretKey, sizeof secretKey);
    return EncodeBase64(Text(publicKey, sizeof publicKey));
}

} // namespace skyloom
