// Password verifiers: a salted PBKDF2-HMAC-SHA256 hash written as text
// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>". The salt is random per
// password, so two users with one password get different verifiers.
#pragma once

#include <string>

namespace engine::dd {

std::string MakeVerifier(const std::string& password);
// False for a wrong password or a verifier that does not parse. Compares in
// constant time.
bool MatchesVerifier(const std::string& password, const std::string& verifier);

} // namespace engine::dd
