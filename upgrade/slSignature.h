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

// The bytes of a file to be checked or signed, read in blocks; false with why when it cannot be opened or read
// or is bigger than Ed25519, which needs the whole message at once, is given here (256 MB).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why);
// Base64 of exactly size bytes; blanks around it are tolerated, since the values are pasted by hand.
bool DecodeExact(std::string_view text, std::size_t size, std::string& bytes);

// The question for a download that is not signed by the publisher (in the place of the lost-file question):
// fileName filled into "File %s is not signed by the publisher. ... continue upgrade?".
std::string UnsignedFileQuestion(std::string_view fileName);

// The check of one completed download against the information file it was listed in: the signature of the file
// at fileIndex when that entry is url, else of the first entry equal to url (a list changed by the program's own
// handler); a URL the information file does not list has no signature. True when the signature is valid for the
// key; otherwise false with why = the question above for the URL's file name.
bool CheckDownloadSignature(const TslInfoFileContents& info, const std::string& url, std::size_t fileIndex,
                            const std::string& path, std::string_view publicKeyBase64, std::string& why);

} // namespace skyloom
