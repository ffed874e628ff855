// The publisher's side of update signatures: key pairs and signing (tools/sign-update, tests). A unit of its own,
// so that the program, which only checks, carries none of it. Portable (libsodium).
#pragma once

#include <string>
#include <string_view>

namespace skyloom {

// Signing, for the publisher's tool: the Base64 signature of the file's bytes by the secret key (Base64 of the
// 32-byte seed); empty with why on failure.
std::string SignFile(const std::string& path, std::string_view secretKeyBase64, std::string& why);
// A new key pair: the secret seed and the public key, both Base64. False when the library cannot start.
bool MakeKeyPair(std::string& secretKeyBase64, std::string& publicKeyBase64);
// The public key (Base64) that belongs to a secret seed (Base64); empty when the seed is not Base64 of 32 bytes.
std::string PublicKeyOf(std::string_view secretKeyBase64);

} // namespace skyloom
