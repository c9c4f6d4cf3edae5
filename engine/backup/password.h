// The password verifier a backup manifest keeps instead of the password:
// PBKDF2-HMAC-SHA256 over the password with a random 16-byte salt. An empty
// password means the backup has none; its verifier is empty.
#pragma once

#include <string>

namespace backup {

// "pbkdf2-sha256 <iterations> <salt hex> <hash hex>", or "" for no password.
std::string MakeVerifier(const std::string& password);
// True when `password` is the one the verifier was made from (always true
// for a backup without password). Raises AE_BACKUP_DAMAGED for a verifier
// that does not parse.
bool PasswordMatches(const std::string& verifier, const std::string& password, const std::string& manifestName);

} // namespace backup
