#include "slSignature.h"

#include "SysUtils.h"
#include "slHTTPCore.h"

#include <sodium.h>

#include <cstdio>
#include <memory>

namespace skyloom {

namespace {

// Ed25519 needs the whole message at once. Updates are programs of a few megabytes; a download above this is
// refused rather than held in memory.
constexpr std::size_t MaxSignedFileSize = 256u << 20;

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why)
{
    bytes.clear();
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        why = "the file cannot be opened";
        return false;
    }
    char block[64 * 1024];
    for (;;) {
        std::size_t n = std::fread(block, 1, sizeof block, file.get());
        if (n > MaxSignedFileSize - bytes.size()) {
            why = "the file is too big to be checked";
            bytes.clear();
            return false;
        }
        bytes.append(block, n);
        if (n < sizeof block)
            break;
    }
    if (std::ferror(file.get())) {
        why = "the file cannot be read";
        bytes.clear();
        return false;
    }
    return true;
}

bool DecodeExact(std::string_view text, std::size_t size, std::string& bytes)
{
    return DecodeBase64(TrimView(text), bytes) && bytes.size() == size;
}

bool PublisherKeyConfigured() { return !TrimView(PublisherKeyText()).empty(); }

bool VerifyFileSignature(const std::string& path, std::string_view signatureBase64, std::string& why)
{
    if (!PublisherKeyConfigured()) {
        why = "no publisher key is configured";
        return false;
    }
    return VerifyFileSignatureWithKey(path, signatureBase64, PublisherKeyText(), why);
}

bool VerifyFileSignatureWithKey(const std::string& path, std::string_view signatureBase64,
                                std::string_view publicKeyBase64, std::string& why)
{
    std::string key, signature, bytes;
    if (!DecodeExact(publicKeyBase64, crypto_sign_PUBLICKEYBYTES, key)) {
        why = "the publisher key is not Base64 of " + std::to_string(crypto_sign_PUBLICKEYBYTES) + " bytes";
        return false;
    }
    if (TrimView(signatureBase64).empty()) {
        why = "the file has no signature";
        return false;
    }
    if (!DecodeExact(signatureBase64, crypto_sign_BYTES, signature)) {
        why = "the signature is not Base64 of " + std::to_string(crypto_sign_BYTES) + " bytes";
        return false;
    }
    if (!ReadWholeFile(path, bytes, why))
        return false;
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                    reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                    reinterpret_cast<const unsigned char*>(key.data())) != 0) {
        why = "the signature does not match the file";
        return false;
    }
    why.clear();
    return true;
}

std::string UnsignedFileQuestion(std::string_view fileName)
{
    return Format("File %s is not signed by the publisher.\n\nTry to skip this file and continue upgrade?",
                  {std::string(fileName)});
}

bool CheckDownloadSignature(const TslInfoFileContents& info, const std::string& url, std::size_t fileIndex,
                            const std::string& path, std::string_view publicKeyBase64, std::string& why)
{
    std::string_view signature;
    if (fileIndex < info.Files.size() && info.Files[fileIndex] == url) {
        if (fileIndex < info.Signatures.size())
            signature = info.Signatures[fileIndex];
    } else {
        for (std::size_t i = 0; i < info.Files.size() && i < info.Signatures.size(); ++i)
            if (info.Files[i] == url) {
                signature = info.Signatures[i];
                break;
            }
    }
    std::string reason;
    if (VerifyFileSignatureWithKey(path, signature, publicKeyBase64, reason)) {
        why.clear();
        return true;
    }
    why = UnsignedFileQuestion(HTTPFileName(url));
    return false;
}

} // namespace skyloom
