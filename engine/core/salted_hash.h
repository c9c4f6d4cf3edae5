// Salted password hashes: PBKDF2-HMAC-SHA256 over the password with a
// random 16-byte salt, so that equal passwords never give equal hashes.
// Callers keep the parts in their own text form; the pieces here draw the
// salt, derive, parse the hex parts back and compare in constant time.
#pragma once

#include <string>
#include <vector>

namespace engine {

// The scheme name written in front of every verifier.
inline constexpr const char* kSaltedHashScheme = "pbkdf2-sha256";
// The most iterations a stored hash may ask for; more only come from a
// damaged or hostile file and would stall the check.
inline constexpr long kMostSaltedHashIterations = 10000000;

struct SaltedHash {
    long iterations = 0;
    std::vector<unsigned char> salt;
    std::vector<unsigned char> hash; // never empty once made or parsed
};

// A fresh hash of `password` (a new random salt, 32 bytes of hash).
// Raises AE_INTERNAL_ERROR when no salt can be drawn or no hash computed.
SaltedHash MakeSaltedHash(const std::string& password);

// The hash again from its stored parts (lower-case hex). False when the
// iterations are out of range or a part is not hex or the hash is empty.
bool ParseSaltedHash(long iterations, const std::string& saltHex, const std::string& hashHex, SaltedHash& parsed);

// Bytes as lower-case hex, the form the salt and hash are stored in.
std::string HexText(const std::vector<unsigned char>& bytes);

// True when `password` is the one `stored` was made from (`stored` made or
// parsed here); constant time in the hash length.
bool SaltedHashMatches(const SaltedHash& stored, const std::string& password);

} // namespace engine
