#include "engine/dictionary/password_hash.h"

#include "engine/core/errors.h"
#include "engine/engine.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <vector>

namespace engine::dd {

namespace {

constexpr int kIterations = 20000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
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

std::vector<unsigned char> Derive(const std::string& password, const std::vector<unsigned char>& salt, int iterations,
                                  size_t length)
{
    std::vector<unsigned char> hash(length);
    if (PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), salt.data(), int(salt.size()), iterations,
                          EVP_sha256(), int(hash.size()), hash.data()) != 1)
        throw EngineError(AE_INTERNAL_ERROR, "A password could not be hashed.");
    return hash;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

} // namespace

std::string MakeVerifier(const std::string& password)
{
    std::vector<unsigned char> salt(kSaltBytes);
    if (RAND_bytes(salt.data(), int(salt.size())) != 1)
        throw EngineError(AE_INTERNAL_ERROR, "No random salt could be made for a password.");
    std::vector<unsigned char> hash = Derive(password, salt, kIterations, kHashBytes);
    return std::string(kScheme) + "$" + std::to_string(kIterations) + "$" + Hex(salt) + "$" + Hex(hash);
}

bool MatchesVerifier(const std::string& password, const std::string& verifier)
{
    std::vector<std::string> parts = Split(verifier, '$');
    if (parts.size() != 4 || parts[0] != kScheme)
        return false;
    int iterations = 0;
    try {
        iterations = std::stoi(parts[1]);
    } catch (...) {
        return false;
    }
    std::vector<unsigned char> salt, expected;
    if (iterations <= 0 || !FromHex(parts[2], salt) || !FromHex(parts[3], expected) || expected.empty())
        return false;
    std::vector<unsigned char> actual = Derive(password, salt, iterations, expected.size());
    return CRYPTO_memcmp(actual.data(), expected.data(), expected.size()) == 0;
}

} // namespace engine::dd
