#include "slSignature.h"
#include "slSigning.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace skyloom {
namespace {

namespace fs = std::filesystem;

// RFC 8032, section 7.1, tests 1 and 2: the standard's own keys and signatures, so that what the program checks is
// plain Ed25519 and any signer of the standard interoperates.
const char* const Rfc1Secret = "nWGxne/9WmC6hEr0kuwsxERJxWl7MmkZcDusAxyuf2A=";
const char* const Rfc1Public = "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";
const char* const Rfc1Signature =
    "5VZDAMNgrHKQhuLMgG6CioSHfx645dl02HPgZSJJAVVfuIIVkKM7rMYeOXAc+bRr0lv18FlbviRlUUFDjnoQCw==";  // empty message
const char* const Rfc2Public = "PUAXw+hDiVqStwqnTRt+vJyYLM8uxJaMwM1V8Sr0Zgw=";
const char* const Rfc2Signature =
    "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadoIWsHkPhWZbkWPNhPQ8R2MOHsurrQwKu6wDSkWErsMAA==";  // message 0x72

class SignatureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = fs::temp_directory_path() / (std::string("slSignature-") + info->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = FDir / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    fs::path FDir;
};

TEST_F(SignatureFiles, TheStandardsTestVectorsVerify)
{
    std::string why;
    EXPECT_TRUE(VerifyFileSignatureWithKey(Write("empty", ""), Rfc1Signature, Rfc1Public, why)) << why;
    EXPECT_TRUE(VerifyFileSignatureWithKey(Write("r", "\x72"), Rfc2Signature, Rfc2Public, why)) << why;
    EXPECT_EQ(PublicKeyOf(Rfc1Secret), Rfc1Public) << "the public key derived from the RFC seed";
    EXPECT_EQ(SignFile(Write("empty2", ""), Rfc1Secret, why), Rfc1Signature) << "signing the RFC's empty message";
}

TEST_F(SignatureFiles, OnlyTheExactBytesSignedByTheKeyPass)
{
    const std::string program = std::string("MZ\x90\0\x03", 5) + std::string(100000, '\x41') + "end";
    const std::string path = Write("skyloom.exe", program);
    std::string tampered = program;
    tampered[50000] ^= 1;
    std::string otherSecret, otherPublic;
    ASSERT_TRUE(MakeKeyPair(otherSecret, otherPublic));
    std::string why;
    const std::string signature = SignFile(path, otherSecret, why);
    ASSERT_FALSE(signature.empty()) << why;
    EXPECT_EQ(signature.size(), 88u) << "Base64 of 64 bytes";

    std::string lastByteChanged = signature;
    lastByteChanged.replace(84, 4, lastByteChanged.compare(84, 4, "AA==") == 0 ? "AQ==" : "AA==");
    struct Case {
        std::string Name, Path, Signature, Key;
        bool Valid;
        std::string Why;
    } cases[] = {
        {"signed file", path, signature, otherPublic, true, ""},
        {"blanks around a pasted signature", path, " " + signature + " ", otherPublic, true, ""},
        {"one byte changed", Write("tampered.exe", tampered), signature, otherPublic, false, "does not match"},
        {"one byte more", Write("longer.exe", program + "x"), signature, otherPublic, false, "does not match"},
        {"truncated", Write("short.exe", program.substr(0, program.size() - 1)), signature, otherPublic, false,
         "does not match"},
        {"empty file", Write("empty.exe", ""), signature, otherPublic, false, "does not match"},
        {"signature of another file", Write("other.exe", "other"), signature, otherPublic, false, "does not match"},
        {"another key", path, signature, Rfc1Public, false, "does not match"},
        {"RFC signature of the empty message on a file", path, Rfc1Signature, Rfc1Public, false, "does not match"},
        {"missing file", (FDir / "absent.exe").string(), signature, otherPublic, false, "cannot be opened"},
        {"a folder", FDir.string(), signature, otherPublic, false, "file"},
        {"no signature", path, "", otherPublic, false, "no signature"},
        {"blank signature", path, "   ", otherPublic, false, "no signature"},
        {"last signature byte changed", path, lastByteChanged, otherPublic, false, "does not match"},
        {"63 bytes", path, signature.substr(0, 84), otherPublic, false, "64 bytes"},
        {"65 bytes", path, signature.substr(0, 84) + "AAA=", otherPublic, false, "64 bytes"},
        {"32 bytes", path, otherPublic, otherPublic, false, "64 bytes"},
        {"padding missing", path, signature.substr(0, 86), otherPublic, false, "64 bytes"},
        {"not Base64", path, std::string(88, '*'), otherPublic, false, "64 bytes"},
        {"line break inside", path, signature.substr(0, 40) + "\n" + signature.substr(41), otherPublic, false,
         "64 bytes"},
        {"key of 30 bytes", path, signature, otherPublic.substr(0, 40), false, "publisher key"},
        {"no key", path, signature, "", false, "publisher key"},
    };
    for (const Case& c : cases) {
        std::string reason = "stale";
        EXPECT_EQ(VerifyFileSignatureWithKey(c.Path, c.Signature, c.Key, reason), c.Valid) << c.Name;
        if (c.Valid)
            EXPECT_EQ(reason, "") << c.Name;
        else
            EXPECT_NE(reason.find(c.Why), std::string::npos) << c.Name << ": reason [" << reason << "]";
    }
}

TEST_F(SignatureFiles, TheBuildsKeyChecksDownloadsAgainstTheInformationFile)
{
    // This test program carries the test publisher key of the build folder; its secret half lies beside it.
    ASSERT_TRUE(PublisherKeyConfigured());
    std::string secret;
    {
        std::ifstream in(fs::path(SL_TEST_PUBLISHER_DIR) / "publisher.key");
        ASSERT_TRUE(in >> secret) << "the test publisher key pair is missing from " << SL_TEST_PUBLISHER_DIR;
    }
    EXPECT_EQ(PublicKeyOf(secret), PublisherKeyText()) << "the key pair's halves belong together";

    const std::string a = Write("a.exe", "new program"), b = Write("b.dat", "data file");
    std::string why;
    const std::string sigA = SignFile(a, secret, why), sigB = SignFile(b, secret, why);
    ASSERT_FALSE(sigA.empty() || sigB.empty()) << why;
    EXPECT_TRUE(VerifyFileSignature(a, sigA, why)) << why;
    EXPECT_FALSE(VerifyFileSignature(a, sigB, why)) << "b's signature accepted for a";

    TslInfoFileContents info;
    info.Files = {"http://h/dl/a.exe", "http://h/dl/b.dat", "http://h/dl/c.dat"};
    info.Signatures = {sigA, sigB, ""};
    struct Case {
        const char* Name;
        std::string Url;
        std::size_t Index;
        std::string Path;
        bool Valid;
    } cases[] = {
        {"first file", "http://h/dl/a.exe", 0, a, true},
        {"second file", "http://h/dl/b.dat", 1, b, true},
        {"a file in the place of another", "http://h/dl/a.exe", 0, b, false},
        {"list reordered by the program: found by URL", "http://h/dl/b.dat", 0, b, true},
        {"index past the list: found by URL", "http://h/dl/a.exe", 7, a, true},
        {"file without a signature", "http://h/dl/c.dat", 2, b, false},
        {"URL the information file does not list", "http://h/dl/d.exe", 3, a, false},
    };
    for (const Case& c : cases) {
        std::string reason = "stale";
        const bool valid = CheckDownloadSignature(info, c.Url, c.Index, c.Path, PublisherKeyText(), reason);
        EXPECT_EQ(valid, c.Valid) << c.Name;
        const std::string name = c.Url.substr(c.Url.rfind('/') + 1);
        EXPECT_EQ(reason, c.Valid ? "" : UnsignedFileQuestion(name)) << c.Name;
    }
    info.Signatures.resize(1);  // a list longer than its signatures: the rest count as unsigned
    EXPECT_FALSE(CheckDownloadSignature(info, "http://h/dl/b.dat", 1, b, PublisherKeyText(), why));
    EXPECT_EQ(UnsignedFileQuestion("skyloom.exe"),
              "File skyloom.exe is not signed by the publisher.\n\nTry to skip this file and continue upgrade?");
}

TEST(SignatureKeys, NewKeyPairsAreDistinctAndBelongTogether)
{
    std::string s1, p1, s2, p2;
    ASSERT_TRUE(MakeKeyPair(s1, p1));
    ASSERT_TRUE(MakeKeyPair(s2, p2));
    EXPECT_NE(s1, s2);
    EXPECT_EQ(PublicKeyOf(s1), p1);
    EXPECT_EQ(PublicKeyOf(s2), p2);
    EXPECT_EQ(s1.size(), 44u);
    EXPECT_EQ(p1.size(), 44u);
    EXPECT_EQ(PublicKeyOf(p1.substr(0, 40)), "") << "a seed of the wrong length";
}

} // namespace
} // namespace skyloom
