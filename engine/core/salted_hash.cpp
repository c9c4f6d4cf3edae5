#include "engine/core/salted_hash.h"

#include "engine/core/errors.h"
#include "engine/engine.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace engine {

namespace {

constexpr long kIterations = 20000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

bool FromHex(const std::string& text, std::vector<unsigned char>& bytes)
{
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = value(text[i]), low = value(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return true;
}

std::vector<unsigned char> Derive(const std::string& password, const std::vector<unsigned char>& salt, long iterations,
                                  size_t length)
{
    std::vector<unsigned char> hash(length);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                          static_cast<int>(hash.size()), hash.data())
        != 1)
        throw EngineError(AE_INTERNAL_ERROR, "A password could not be hashed.");
    return hash;
}

} // namespace

std::string HexText(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

SaltedHash MakeSaltedHash(const std::string& password)
{
    SaltedHash made;
    made.iterations = kIterations;
    made.salt.resize(kSaltBytes);
    if (RAND_bytes(made.salt.data(), static_cast<int>(made.salt.size())) != 1)
        throw EngineError(AE_INTERNAL_ERROR, "No random salt could be drawn for a password.");
    made.hash = Derive(password, made.salt, made.iterations, kHashBytes);
    return made;
}

bool ParseSaltedHash(long iterations, const std::string& saltHex, const std::string& hashHex, SaltedHash& parsed)
{
    if (iterations < 1 || iterations > kMostSaltedHashIterations)
        return false;
    parsed.iterations = iterations;
    return FromHex(saltHex, parsed.salt) && FromHex(hashHex, parsed.hash) && !parsed.hash.empty();
}

bool SaltedHashMatches(const SaltedHash& stored, const std::string& password)
{
    std::vector<unsigned char> candidate = Derive(password, stored.salt, stored.iterations, stored.hash.size());
    return CRYPTO_memcmp(candidate.data(), stored.hash.data(), stored.hash.size()) == 0;
}

} // namespace engine
