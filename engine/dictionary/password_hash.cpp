#include "engine/dictionary/password_hash.h"

#include "engine/core/salted_hash.h"

#include <vector>

namespace engine::dd {

namespace {

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
    SaltedHash made = MakeSaltedHash(password);
    return std::string(kSaltedHashScheme) + "$" + std::to_string(made.iterations) + "$" + HexText(made.salt) + "$"
           + HexText(made.hash);
}

bool MatchesVerifier(const std::string& password, const std::string& verifier)
{
    std::vector<std::string> parts = Split(verifier, '$');
    if (parts.size() != 4 || parts[0] != kSaltedHashScheme)
        return false;
    long iterations = 0;
    try {
        iterations = std::stol(parts[1]);
    } catch (...) {
        return false;
    }
    SaltedHash stored;
    return ParseSaltedHash(iterations, parts[2], parts[3], stored) && SaltedHashMatches(stored, password);
}

} // namespace engine::dd
