// Connections declared in window definitions: the main window's three, the
// stored-when rule of IsConnected, and the opening deferred to Loaded.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"
#include "framework/streaming.h"

using namespace connection_test;

namespace {

const QString kMainWindowConnections = QStringLiteral(
    "object FPrincipal: TComponent\n"
    "  object AdsConnectionRestore: TAdsConnection\n"
    "    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]\n"
    "    LoginPrompt = False\n"
    "    StoreConnected = False\n"
    "  end\n"
    "  object AdsConnectionActive: TAdsConnection\n"
    "    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]\n"
    "  end\n"
    "  object AdsConnectionFree: TAdsConnection\n"
    "    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]\n"
    "    LoginPrompt = False\n"
    "    StoreConnected = False\n"
    "  end\n"
    "end\n");

TAdsConnection* Connection(TComponent& form, const char* name)
{
    auto* connection = dynamic_cast<TAdsConnection*>(form.FindComponent(name));
    EXPECT_NE(connection, nullptr) << name;
    return connection;
}

TEST(ConnectionDefinition, TheMainWindowsThreeConnectionsRoundTrip)
{
    TComponent form(nullptr);
    ReadRootComponent(kMainWindowConnections, &form);
    struct Case {
        const char* name;
        bool loginPrompt, storeConnected;
    } cases[] = {
        {"AdsConnectionRestore", false, false},
        {"AdsConnectionActive", true, true},
        {"AdsConnectionFree", false, false},
    };
    for (const Case& c : cases) {
        TAdsConnection* connection = Connection(form, c.name);
        ASSERT_NE(connection, nullptr);
        EXPECT_EQ(connection->AdsServerTypes(), TAdsServerTypes({stADS_REMOTE, stADS_LOCAL})) << c.name;
        EXPECT_EQ(connection->LoginPrompt(), c.loginPrompt) << c.name;
        EXPECT_EQ(connection->StoreConnected(), c.storeConnected) << c.name;
        EXPECT_FALSE(connection->IsConnected()) << "none is opened when it is set up";
        EXPECT_TRUE(connection->CancelOnRollback());
        EXPECT_EQ(connection->Compression(), ccAdsCompressionNotSet);
        EXPECT_EQ(connection->EncryptionOptions()->OwningConnection(), connection);
    }
    EXPECT_EQ(WriteComponent(&form), kMainWindowConnections);
}

TEST(ConnectionDefinition, IsConnectedOpensOnlyAfterTheWholeDefinitionIsRead)
{
    testsupport::TempFolder folder;
    // IsConnected comes first and encryption options follow it: an opening
    // before the end would have no path and would refuse the options.
    const QString text = QStringLiteral(
                             "object Form1: TComponent\n"
                             "  object Conn: TAdsConnection\n"
                             "    IsConnected = True\n"
                             "    ConnectPath = '%1'\n"
                             "    EncryptionOptions.TLSCommonName = 'cn'\n"
                             "    ApplicationID = 'From definition'\n"
                             "  end\n"
                             "end\n")
                             .arg(folder.path());
    TComponent form(nullptr);
    ReadRootComponent(text, &form);
    TAdsConnection* connection = Connection(form, "Conn");
    ASSERT_NE(connection, nullptr);
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_EQ(connection->EncryptionOptions()->TLSCommonName(), "cn");
    EXPECT_EQ(connection->GetApplicationID(), "From definition") << "applied at the deferred opening";

    // Written back: IsConnected is stored while StoreConnected holds...
    QString written = WriteComponent(&form);
    EXPECT_TRUE(written.contains("    IsConnected = True\n")) << written.toStdString();
    EXPECT_TRUE(written.contains("    EncryptionOptions.TLSCommonName = 'cn'\n")) << written.toStdString();
    EXPECT_FALSE(written.contains("ServerName")) << "read-only properties are not stored";
    // ... and not at all without it.
    connection->SetStoreConnected(false);
    written = WriteComponent(&form);
    EXPECT_FALSE(written.contains("IsConnected")) << written.toStdString();
    EXPECT_TRUE(written.contains("    StoreConnected = False\n"));
}

TEST(ConnectionDefinition, AFailingDeferredOpeningIsRaisedByTheReader)
{
    testsupport::TempFolder folder;
    const QString text = QStringLiteral(
                             "object Form1: TComponent\n"
                             "  object Conn: TAdsConnection\n"
                             "    ConnectPath = '%1'\n"
                             "    IsConnected = True\n"
                             "  end\n"
                             "end\n")
                             .arg(folder.file("missing"));
    TComponent form(nullptr);
    EXPECT_THROW(ReadRootComponent(text, &form), Exception);
}

TEST(ConnectionDefinition, InTheDesignerAFailingOpeningGoesToTheApplicationsHandler)
{
    testsupport::TempFolder folder;
    QStringList handled;
    SetEventGuard([&](const std::function<void()>& handler) {
        try {
            handler();
        } catch (const Exception& error) {
            handled << error.Message();
        }
    });
    TComponent form(nullptr);
    // The definition reuses the component the form already owns under its name.
    auto* existing = new TAdsConnection(&form);
    existing->SetName("Conn");
    existing->SetDesigning(true);
    const QString text = QStringLiteral(
                             "object Form1: TComponent\n"
                             "  object Conn: TAdsConnection\n"
                             "    IsConnected = True\n"
                             "  end\n"
                             "end\n");
    ReadRootComponent(text, &form);
    SetEventGuard(nullptr);
    EXPECT_EQ(handled, QStringList({"Must specify connection string before getting a server connection."}));
    TAdsConnection* connection = Connection(form, "Conn");
    EXPECT_EQ(connection, existing);
    EXPECT_FALSE(existing->IsConnected());
}

} // namespace
