#include "engine/backup/password.h"

#include "engine/core/errors.h"
#include "engine/core/salted_hash.h"
#include "engine/engine.h"

#include <sstream>

namespace backup {

namespace {

constexpr size_t kHashSize = 32;

} // namespace

std::string MakeVerifier(const std::string& password)
{
    if (password.empty())
        return {};
    engine::SaltedHash made = engine::MakeSaltedHash(password);
    return std::string(engine::kSaltedHashScheme) + " " + std::to_string(made.iterations) + " "
           + engine::HexText(made.salt) + " " + engine::HexText(made.hash);
}

bool PasswordMatches(const std::string& verifier, const std::string& password, const std::string& manifestName)
{
    if (verifier.empty())
        return true;
    std::istringstream in(verifier);
    std::string scheme, saltText, hashText;
    long iterations = 0;
    in >> scheme >> iterations >> saltText >> hashText;
    engine::SaltedHash stored;
    if (!in || scheme != engine::kSaltedHashScheme || !engine::ParseSaltedHash(iterations, saltText, hashText, stored)
        || stored.hash.size() != kHashSize)
        throw engine::EngineError(AE_BACKUP_DAMAGED, "The backup manifest " + manifestName
                                                         + " is damaged: its password verifier does not parse.");
    return engine::SaltedHashMatches(stored, password);
}

} // namespace backup
