#include "platform/environment.h"
#include "platform/sysutils.h"
#include "tests/support/testsupport.h"
#include "tests/platform/qtprinters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using testsupport::EnvGuard;

TEST(Environment, SetEmptyAndUnsetAreToldApart)
{
    struct Case { std::optional<QByteArray> raw; qsizetype length; std::optional<QString> found; };
    const Case cases[] = {
        {std::nullopt, 0, std::nullopt},
        {QByteArray(""), 1, QString()},
        {QByteArray("/opt/ads"), 9, QString("/opt/ads")},
        {QByteArray("caf\xC3\xA9"), 5, QString::fromUtf8("caf\xC3\xA9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        EnvGuard guard("VARNEL_TEST_VARIABLE", c.raw);
        EXPECT_EQ(GetEnvironmentVariableLength("VARNEL_TEST_VARIABLE"), c.length);
        EXPECT_EQ(FindEnvironmentVariable("VARNEL_TEST_VARIABLE"), c.found);
        EXPECT_EQ(GetEnvironmentVariable("VARNEL_TEST_VARIABLE"), c.found.value_or(QString()));
        // Linux names are case-sensitive.
        EXPECT_EQ(FindEnvironmentVariable("varnel_test_variable"), std::nullopt);
    }
}

TEST(Environment, WritesReachTheProcessEnvironment)
{
    EnvGuard guard("VARNEL_TEST_VARIABLE", std::nullopt);
    SetEnvironmentVariable("VARNEL_TEST_VARIABLE", "");
    ASSERT_NE(std::getenv("VARNEL_TEST_VARIABLE"), nullptr);
    EXPECT_STREQ(std::getenv("VARNEL_TEST_VARIABLE"), "");
    SetEnvironmentVariable("VARNEL_TEST_VARIABLE", QString::fromUtf8("d\xC3\xA9j\xC3\xA0"));
    EXPECT_STREQ(std::getenv("VARNEL_TEST_VARIABLE"), "d\xC3\xA9j\xC3\xA0");
    DeleteEnvironmentVariable("VARNEL_TEST_VARIABLE");
    EXPECT_EQ(std::getenv("VARNEL_TEST_VARIABLE"), nullptr);
    EXPECT_NO_THROW(DeleteEnvironmentVariable("VARNEL_TEST_VARIABLE"));
}

TEST(Environment, BadNamesAndValuesAreRefused)
{
    for (const QString& name : {QString(), QString("A=B"), QString("A") + QChar(0) + "B"}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_THROW(SetEnvironmentVariable(name, "x"), Exception);
        EXPECT_THROW(DeleteEnvironmentVariable(name), Exception);
        EXPECT_EQ(GetEnvironmentVariableLength(name), 0);
    }
    EnvGuard guard("VARNEL_TEST_VARIABLE", std::nullopt);
    EXPECT_THROW(SetEnvironmentVariable("VARNEL_TEST_VARIABLE", QString("a") + QChar(0) + "b"), Exception);
    EXPECT_EQ(std::getenv("VARNEL_TEST_VARIABLE"), nullptr);
}
