// The publisher's signing tool for updates.
//
//   sign-update keygen SECRETFILE PUBLICFILE   a new key pair: the secret seed (Base64, readable by the owner only;
//                                               an existing file is never overwritten) and the public key (Base64,
//                                               the value of the build setting SL_UPDATE_PUBLIC_KEY)
//   sign-update sign SECRETFILE FILE...        prints "#sig=", "#sig0=", "#sig3=", "#sig4=" ... lines, one per file
//                                               in the order of the information file's "#url", "#url0", "#url3",
//                                               "#url4" ... keys
//   sign-update verify PUBLICFILE SIGNATURE FILE   exit 0 when the Base64 signature of FILE is valid
//
// Exit codes: 0 done, 1 a signature or file failed, 2 wrong usage.
#include "slSignature.h"
#include "slSigning.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace skyloom;

int Usage()
{
    std::fputs("usage: sign-update keygen SECRETFILE PUBLICFILE\n"
               "       sign-update sign SECRETFILE FILE...\n"
               "       sign-update verify PUBLICFILE SIGNATURE FILE\n",
               stderr);
    return 2;
}

bool ReadKeyFile(const char* path, std::string& text)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "sign-update: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    char buffer[256];
    std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    text.assign(buffer, n);
    return true;
}

// Writes text to a new file with the given mode; an existing file is an error, so that a key is never lost.
bool WriteNewFile(const char* path, const std::string& text, mode_t mode)
{
    int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) {
        std::fprintf(stderr, "sign-update: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    const std::string line = text + "\n";
    bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ok = ::fchmod(fd, mode) == 0 && ok;  // the umask must not widen or narrow what was asked for
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "sign-update: %s: cannot write\n", path);
    return ok;
}

// The git work tree that would hold path, or empty: a secret key must never be committed by accident.
std::string WorkTreeOf(const char* path)
{
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::absolute(path, ec).parent_path();
    for (; !ec && !dir.empty(); dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / ".git", ec))
            return dir.string();
        if (dir == dir.parent_path())
            break;
    }
    return {};
}

int Keygen(const char* secretPath, const char* publicPath)
{
    if (const std::string tree = WorkTreeOf(secretPath); !tree.empty()) {
        std::fprintf(stderr, "sign-update: %s lies in the git work tree %s; keep the secret key elsewhere\n",
                     secretPath, tree.c_str());
        return 1;
    }
    std::string secret, pub;
    if (!MakeKeyPair(secret, pub)) {
        std::fputs("sign-update: the signature library cannot start\n", stderr);
        return 1;
    }
    if (!WriteNewFile(secretPath, secret, 0600))
        return 1;
    if (!WriteNewFile(publicPath, pub, 0644))
        return 1;
    std::printf("%s\n", pub.c_str());
    return 0;
}

// The key of the n-th file (counted from 0), numbered as the reader takes "#url" keys: "#url", "#url0", then on
// from 1 + the number of files already taken ("#url3", "#url4", ...).
std::string SignatureKey(int n)
{
    if (n == 0)
        return "#sig";
    if (n == 1)
        return "#sig0";
    return "#sig" + std::to_string(n + 1);
}

int Sign(const char* secretPath, char** files, int count)
{
    std::string secret;
    if (!ReadKeyFile(secretPath, secret))
        return 1;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        std::string why;
        const std::string signature = SignFile(files[i], secret, why);
        if (signature.empty()) {
            std::fprintf(stderr, "sign-update: %s: %s\n", files[i], why.c_str());
            failed = 1;
            continue;
        }
        std::printf("%s=%s\n", SignatureKey(i).c_str(), signature.c_str());
    }
    return failed;
}

int Verify(const char* publicPath, const char* signature, const char* file)
{
    std::string key, why;
    if (!ReadKeyFile(publicPath, key))
        return 1;
    if (!VerifyFileSignatureWithKey(file, signature, key, why)) {
        std::fprintf(stderr, "sign-update: %s: %s\n", file, why.c_str());
        return 1;
    }
    std::printf("%s: signed by the publisher\n", file);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "keygen" && argc == 4)
        return Keygen(argv[2], argv[3]);
    if (command == "sign" && argc >= 4)
        return Sign(argv[2], argv + 3, argc - 3);
    if (command == "verify" && argc == 5)
        return Verify(argv[2], argv[3], argv[4]);
    return Usage();
}
