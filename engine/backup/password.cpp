#include "engine/backup/password.h"

#include "engine/core/errors.h"
#include "engine/engine.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <sstream>
#include <vector>

namespace backup {

namespace {

constexpr int kIterations = 20000;
constexpr size_t kSaltSize = 16;
constexpr size_t kHashSize = 32;
constexpr const char* kScheme = "pbkdf2-sha256";

std::string Hex(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

bool FromHex(const std::string& text, std::vector<unsigned char>& bytes)
{
    if (text.size() % 2)
        return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    return true;
}

std::vector<unsigned char> Derive(const std::string& password, const std::vector<unsigned char>& salt, int iterations)
{
    std::vector<unsigned char> hash(kHashSize);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), static_cast<int>(hash.size()),
                          hash.data()) != 1)
        throw engine::EngineError(AE_INTERNAL_ERROR, "The password verifier could not be computed.");
    return hash;
}

} // namespace

std::string MakeVerifier(const std::string& password)
{
    if (password.empty())
        return {};
    std::vector<unsigned char> salt(kSaltSize);
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        throw engine::EngineError(AE_INTERNAL_ERROR, "No random salt could be drawn for the backup password.");
    return std::string(kScheme) + " " + std::to_string(kIterations) + " " + Hex(salt) + " "
           + Hex(Derive(password, salt, kIterations));
}

bool PasswordMatches(const std::string& verifier, const std::string& password, const std::string& manifestName)
{
    if (verifier.empty())
        return true;
    std::istringstream in(verifier);
    std::string scheme, saltText, hashText;
    long iterations = 0;
    std::vector<unsigned char> salt, hash;
    in >> scheme >> iterations >> saltText >> hashText;
    if (!in || scheme != kScheme || iterations < 1 || iterations > 10000000 || !FromHex(saltText, salt)
        || !FromHex(hashText, hash) || hash.size() != kHashSize)
        throw engine::EngineError(AE_BACKUP_DAMAGED, "The backup manifest " + manifestName
                                                         + " is damaged: its password verifier does not parse.");
    std::vector<unsigned char> candidate = Derive(password, salt, static_cast<int>(iterations));
    return CRYPTO_memcmp(candidate.data(), hash.data(), kHashSize) == 0;
}

} // namespace backup
