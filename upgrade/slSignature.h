// The publisher's signature on downloaded updates: an Ed25519 detached signature over a file's exact bytes, given
// as Base64 in the information file. The public key is a build setting (SL_UPDATE_PUBLIC_KEY in the top
// CMakeLists.txt, Base64 of the 32 key bytes); a build without one checks nothing. Portable (libsodium).
#pragma once

#include "slSelfUpdaterCore.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace skyloom {

// The build's publisher key as configured (Base64), empty when the build has none. Defined by the key object
// the program links (slPublisherKey.cpp), so that a test build can carry a test key.
std::string_view PublisherKeyText();

// Whether this build carries a publisher key, that is whether downloads must be signed. A key that is set but is
// not Base64 of 32 bytes counts as configured (every download is then refused), never as absent.
bool PublisherKeyConfigured();

// true when signatureBase64 is a valid Ed25519 detached signature by the publisher key over the file's exact
// bytes; otherwise false with why saying what failed (no key, no signature, not Base64 of 64 bytes, file
// unreadable, signature not matching).
bool VerifyFileSignature(const std::string& path, std::string_view signatureBase64, std::string& why);
// The same against the given key (Base64 of 32 bytes).
bool VerifyFileSignatureWithKey(const std::string& path, std::string_view signatureBase64,
                                std::string_view publicKeyBase64, std::string& why);

// The question for a download that is not signed by the publisher (in the place of the lost-file question):
// fileName filled into "File %s is not signed by the publisher. ... continue upgrade?".
std::string UnsignedFileQuestion(std::string_view fileName);

// The check of one completed download against the information file it was listed in: the signature of the file
// at fileIndex when that entry is url, else of the first entry equal to url (a list changed by the program's own
// handler); a URL the information file does not list has no signature. True when the signature is valid for the
// key; otherwise false with why = the question above for the URL's file name.
bool CheckDownloadSignature(const TslInfoFileContents& info, const std::string& url, std::size_t fileIndex,
                            const std::string& path, std::string_view publicKeyBase64, std::string& why);

// Signing, for the publisher's tool: the Base64 signature of the file's bytes by the secret key (Base64 of the
// 32-byte seed); empty with why on failure.
std::string SignFile(const std::string& path, std::string_view secretKeyBase64, std::string& why);
// A new key pair: the secret seed and the public key, both Base64. False when the library cannot start.
bool MakeKeyPair(std::string& secretKeyBase64, std::string& publicKeyBase64);
// The public key (Base64) that belongs to a secret seed (Base64); empty when the seed is not Base64 of 32 bytes.
std::string PublicKeyOf(std::string_view secretKeyBase64);

} // namespace skyloom
