// The two stored password forms: a backup manifest's verifier (parts
// separated by spaces, a damaged one refused loudly) and a dictionary
// user's (parts separated by '$', a damaged one never matching).
#include "engine/backup/password.h"
#include "engine/core/errors.h"
#include "engine/dictionary/password_hash.h"
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PasswordVerifiers, EachFormMatchesOnlyItsPassword)
{
    const std::string backupVerifier = backup::MakeVerifier("s3cret pass");
    EXPECT_EQ(backupVerifier.rfind("pbkdf2-sha256 20000 ", 0), 0u) << backupVerifier;
    EXPECT_TRUE(backup::PasswordMatches(backupVerifier, "s3cret pass", "m"));
    EXPECT_FALSE(backup::PasswordMatches(backupVerifier, "S3cret pass", "m"));

    const std::string userVerifier = engine::dd::MakeVerifier("s3cret pass");
    EXPECT_EQ(userVerifier.rfind("pbkdf2-sha256$20000$", 0), 0u) << userVerifier;
    EXPECT_TRUE(engine::dd::MatchesVerifier("s3cret pass", userVerifier));
    EXPECT_FALSE(engine::dd::MatchesVerifier("s3cret pas", userVerifier));
    EXPECT_NE(engine::dd::MakeVerifier("s3cret pass"), userVerifier) << "a fresh salt every time";
}

TEST(PasswordVerifiers, DamagedVerifiersNeverMatch)
{
    const std::string salt(32, 'a'), hash(64, 'b');
    struct Case {
        const char* what;
        std::string iterations, salt, hash;
    };
    const Case cases[] = {
        {"upper-case hex", "20000", salt, std::string(64, 'B')},
        {"odd hex length", "20000", salt, hash.substr(1)},
        {"no hash", "20000", salt, ""},
        {"zero iterations", "0", salt, hash},
        {"iterations past the cap", "10000001", salt, hash},
        {"iterations not a number", "many", salt, hash},
    };
    for (const Case& c : cases) {
        std::string userVerifier = "pbkdf2-sha256$" + c.iterations + "$" + c.salt + "$" + c.hash;
        EXPECT_FALSE(engine::dd::MatchesVerifier("x", userVerifier)) << c.what;
        std::string backupVerifier = "pbkdf2-sha256 " + c.iterations + " " + c.salt + " " + c.hash;
        try {
            backup::PasswordMatches(backupVerifier, "x", "MANIFEST");
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const engine::EngineError& e) {
            EXPECT_EQ(e.Code(), AE_BACKUP_DAMAGED) << c.what;
        }
    }
}

} // namespace
