// The layer's exceptions and the checked call, against the real engine: every
// engine failure below comes from a real call that the engine refuses.
#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

// No engine ever hands out this handle in these tests' lifetime.
constexpr ADSHANDLE kUnknownHandle = 0x0BADF00D;
const char* const kMissingFolder = "/nonexistent/varnel/folder";

// A dataset as an error sees it: names and a database path that may be
// resolved by a function of the test's choice.
class DataSetStandIn : public TAdsErrorDataSet {
public:
    QString name = QStringLiteral("Customers");
    QString owner = QStringLiteral("FPrincipal");
    QString databaseName = QStringLiteral("AdsConnectionRestore");
    QString databasePath = QStringLiteral("/data/shop");
    QString tableName = QStringLiteral("customers.adt");
    std::function<QString()> resolvePath;

    QString ErrorInstanceName() const override { return name; }
    QString ErrorInstanceOwner() const override { return owner; }
    QString ErrorDatabaseName() const override { return databaseName; }
    QString ErrorDatabasePath() override { return resolvePath ? resolvePath() : databasePath; }
    QString ErrorTableName() const override { return tableName; }
};

struct EngineLastError {
    UNSIGNED32 code = 0;
    QByteArray text;
};

EngineLastError ReadEngineLastError()
{
    EngineLastError error;
    char buffer[601] = {};
    UNSIGNED16 length = 600;
    EXPECT_EQ(ace::AdsGetLastError(&error.code, buffer, &length), AE_SUCCESS);
    error.text = QByteArray(buffer, length);
    return error;
}

// A real engine failure: connecting to a folder that does not exist.
UNSIGNED32 FailingConnect()
{
    ADSHANDLE connection = 0;
    return ace::AdsConnect(kMissingFolder, &connection);
}

template <typename Action>
EADSDatabaseError RaisedBy(Action action)
{
    try {
        action();
    } catch (const EADSDatabaseError& error) {
        return error;
    }
    ADD_FAILURE() << "no EADSDatabaseError was raised";
    return EADSDatabaseError(nullptr, 0, QString());
}

TEST(AdsDatabaseError, MessageIsPrefixedWithTheDataSetNameWhenThereIsOne)
{
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"Customers", "Table not found", "Customers: Table not found"},
        {"", "Table not found", "Table not found"},
        {"Customers", "", "Customers: "},
    };
    for (const Case& c : cases) {
        DataSetStandIn dataSet;
        dataSet.name = QString::fromUtf8(c.name);
        const EADSDatabaseError error(&dataSet, kAdsDataSetErrorCode, QString::fromUtf8(c.text));
        EXPECT_EQ(error.Message(), QString::fromUtf8(c.message)) << c.name << " / " << c.text;
        EXPECT_EQ(error.DataSetInstanceName(), QString::fromUtf8(c.name));
        EXPECT_EQ(error.ACEErrorCode(), kAdsDataSetErrorCode);
    }
}

TEST(AdsDatabaseError, CopiesTheDataSetContextOrLeavesItEmptyWithoutADataSet)
{
    DataSetStandIn dataSet;
    const EADSDatabaseError withDataSet(&dataSet, 5186, QStringLiteral("Record was changed by another user."));
    EXPECT_EQ(withDataSet.DataSetInstanceName(), QStringLiteral("Customers"));
    EXPECT_EQ(withDataSet.DataSetInstanceOwner(), QStringLiteral("FPrincipal"));
    EXPECT_EQ(withDataSet.DatabaseName(), QStringLiteral("AdsConnectionRestore"));
    EXPECT_EQ(withDataSet.DatabasePath(), QStringLiteral("/data/shop"));
    EXPECT_EQ(withDataSet.TableName(), QStringLiteral("customers.adt"));
    EXPECT_EQ(withDataSet.ACEErrorCode(), 5186u);

    const EADSDatabaseError without(nullptr, 5148, QStringLiteral("bad value in column \"CITY\""));
    EXPECT_EQ(without.Message(), QStringLiteral("bad value in column \"CITY\""));
    for (const QString& field : {without.DataSetInstanceName(), without.DataSetInstanceOwner(), without.DatabaseName(),
                                 without.DatabasePath(), without.TableName(), without.ColumnName()})
        EXPECT_TRUE(field.isEmpty()) << field.toStdString();
}

TEST(AdsDatabaseError, ColumnNameIsTakenFromColumnErrorsOnly)
{
    const QString longName(1000, QLatin1Char('N'));
    struct Case {
        uint32_t code;
        QString text;
        QString column;
    };
    const Case cases[] = {
        {5148, QStringLiteral("Value too long for column \"CITY\" of the table."), QStringLiteral("CITY")},
        {5147, QStringLiteral("Invalid column \"ZIP CODE\"."), QStringLiteral("ZIP CODE")},
        {5149, QStringLiteral("column \"A\" then column \"B\""), QStringLiteral("A")},
        {7200, QStringLiteral("Value too long for column \"CITY\" of the table."), QString()},
        {5148, QStringLiteral("column CITY without quotes"), QString()},
        {5148, QStringLiteral("unterminated column \"CITY"), QStringLiteral("CITY")},
        {5148, QStringLiteral("column \"") + longName, QString(900, QLatin1Char('N'))},
    };
    for (const Case& c : cases) {
        DataSetStandIn dataSet;
        const EADSDatabaseError error(&dataSet, c.code, c.text);
        EXPECT_EQ(error.ColumnName(), c.column) << c.code << " " << c.text.left(60).toStdString();
    }
}

TEST(AdsDatabaseError, SQLNativeErrorComesFromSQLErrorTextsOnly)
{
    struct Case {
        const char* text;
        int32_t native;
    };
    const Case cases[] = {
        {"Error 7200: AQE Error: State = S0000; NativeError = 2121; [Varnel] Column not found", 2121},
        {"error 7200: state = 42000; nativeerror = 2121; lower case markers", 2121},
        {"ERROR 7200: NativeError = 7041", 7041},
        {"ERROR 7200: NativeError = -5; negative", -5},
        {"ERROR 7200: NativeError = abc; not a number", 0},
        {"ERROR 7200: NativeError = ; nothing", 0},
        {"ERROR 7041: NativeError = 2121; another engine error", 0},
        {"ERROR 7200: no native number here", 0},
    };
    for (const Case& c : cases) {
        DataSetStandIn dataSet;
        const EADSDatabaseError withDataSet(&dataSet, 7200, QString::fromUtf8(c.text));
        const EADSDatabaseError without(nullptr, 7200, QString::fromUtf8(c.text));
        EXPECT_EQ(withDataSet.SQLErrorCode(), c.native) << c.text;
        EXPECT_EQ(without.SQLErrorCode(), c.native) << c.text;
        EXPECT_EQ(withDataSet.Message(), QStringLiteral("Customers: ") + QString::fromUtf8(c.text))
            << "a number that does not parse must not cost the message";
    }
}

TEST(CheckAdsResult, RaisesTheEngineCodeAndTextOfARealFailure)
{
    DataSetStandIn dataSet;
    struct Case {
        const char* what;
        std::function<UNSIGNED32()> failingCall;
    };
    const Case cases[] = {
        {"unknown handle", [] { return ace::AdsDisconnect(kUnknownHandle); }},
        {"missing folder", [] { return FailingConnect(); }},
    };
    for (const Case& c : cases) {
        for (TAdsErrorDataSet* concerned : {static_cast<TAdsErrorDataSet*>(&dataSet), static_cast<TAdsErrorDataSet*>(nullptr)}) {
            const UNSIGNED32 returned = c.failingCall();
            ASSERT_NE(returned, AE_SUCCESS) << c.what;
            const EADSDatabaseError error = RaisedBy([&] { CheckAdsResult(concerned, returned); });
            // Reading the last error leaves it in place, so it can be compared.
            const EngineLastError engine = ReadEngineLastError();
            const QString text = AnsiToString(engine.text);
            EXPECT_FALSE(text.isEmpty()) << c.what;
            EXPECT_EQ(error.ACEErrorCode(), engine.code) << c.what;
            EXPECT_EQ(error.Message(), concerned ? QStringLiteral("Customers: ") + text : text) << c.what;
            EXPECT_FALSE(ErrorCreationActive());
        }
    }
}

TEST(CheckAdsResult, TheEngineCodeReplacesTheCodePassedIn)
{
    const UNSIGNED32 engineCode = FailingConnect();
    ASSERT_NE(engineCode, AE_SUCCESS);
    const EADSDatabaseError error = RaisedBy([] { CheckAdsResult(nullptr, 9999); });
    EXPECT_EQ(error.ACEErrorCode(), engineCode);
    EXPECT_TRUE(error.Message().contains(QString::fromLatin1(kMissingFolder))) << error.Message().toStdString();
}

TEST(CheckAdsResult, AFailureTheEngineDidNotRecordKeepsItsOwnCode)
{
    // A thread that never failed has no last error; the code passed in stays.
    uint32_t raised = 0;
    std::thread fresh([&] { raised = RaisedBy([] { CheckAdsResult(nullptr, AE_PATH_NOT_FOUND); }).ACEErrorCode(); });
    fresh.join();
    EXPECT_EQ(raised, uint32_t(AE_PATH_NOT_FOUND));
}

TEST(CheckAdsResult, SuccessNeverTouchesTheEngine)
{
    ace::StartCallTrace();
    CheckAdsResult(nullptr, AE_SUCCESS);
    DataSetStandIn dataSet;
    CheckAdsResult(&dataSet, AE_SUCCESS);
    EXPECT_TRUE(ace::StopCallTrace().empty());

    // Not even loaded: success passes with no engine library at all.
    {
        testsupport::EnvGuard missing("VARNEL_ENGINE_LIBRARY", QByteArray("/nonexistent/libnothing.so"));
        ace::ResetLoaderForTests();
        EXPECT_NO_THROW(CheckAdsResult(nullptr, AE_SUCCESS));
    }
    ace::ResetLoaderForTests();
}

TEST(CheckAdsResult, AnEngineFailureWhileAnErrorIsBuiltRaisesNothingMore)
{
    DataSetStandIn dataSet;
    bool activeDuringBuild = false;
    dataSet.resolvePath = [&] {
        activeDuringBuild = ErrorCreationActive();
        {
            // An error asked for meanwhile is empty.
            const EADSDatabaseError inner(&dataSet, kAdsDataSetErrorCode, QStringLiteral("inner"));
            EXPECT_TRUE(inner.Message().isEmpty());
            EXPECT_EQ(inner.ACEErrorCode(), 0u);
            EXPECT_TRUE(inner.DataSetInstanceName().isEmpty());
        }
        // Resolving the path fails in the engine; that failure must vanish.
        CheckAdsResult(&dataSet, ace::AdsDisconnect(kUnknownHandle));
        return QStringLiteral("/resolved/despite/failure");
    };
    const UNSIGNED32 failure = FailingConnect();
    const EADSDatabaseError error = RaisedBy([&] { CheckAdsResult(&dataSet, failure); });
    EXPECT_TRUE(activeDuringBuild);
    EXPECT_FALSE(ErrorCreationActive());
    EXPECT_EQ(error.ACEErrorCode(), failure) << "the first failure is the one reported";
    EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Customers: ")));
    EXPECT_TRUE(error.Message().contains(QString::fromLatin1(kMissingFolder))) << error.Message().toStdString();
    EXPECT_EQ(error.DatabasePath(), QStringLiteral("/resolved/despite/failure"));
    EXPECT_EQ(error.TableName(), QStringLiteral("customers.adt"));
}

TEST(CheckAdsResult, AnExceptionWhileGatheringKeepsWhatWasGathered)
{
    DataSetStandIn dataSet;
    dataSet.resolvePath = []() -> QString { throw Exception(QStringLiteral("cannot resolve")); };
    const EADSDatabaseError error(&dataSet, 5148, QStringLiteral("bad value in column \"CITY\""));
    EXPECT_EQ(error.Message(), QStringLiteral("Customers: bad value in column \"CITY\""));
    EXPECT_EQ(error.DataSetInstanceOwner(), QStringLiteral("FPrincipal"));
    EXPECT_EQ(error.DatabaseName(), QStringLiteral("AdsConnectionRestore"));
    EXPECT_TRUE(error.DatabasePath().isEmpty());
    EXPECT_TRUE(error.TableName().isEmpty());
    EXPECT_TRUE(error.ColumnName().isEmpty()) << "the steps after the failure did not run";
    EXPECT_FALSE(ErrorCreationActive());
}

TEST(CheckAdsResult, AnErrorBeingBuiltOnOneThreadDoesNotSilenceAnother)
{
    DataSetStandIn dataSet;
    bool otherThreadRaised = false;
    bool otherThreadSawActive = true;
    dataSet.resolvePath = [&] {
        std::thread other([&] {
            otherThreadSawActive = ErrorCreationActive();
            try {
                CheckAdsResult(nullptr, ace::AdsDisconnect(kUnknownHandle));
            } catch (const EADSDatabaseError& error) {
                otherThreadRaised = error.ACEErrorCode() != AE_SUCCESS;
            }
        });
        other.join();
        return QString();
    };
    RaisedBy([&] { CheckAdsResult(&dataSet, FailingConnect()); });
    EXPECT_FALSE(otherThreadSawActive);
    EXPECT_TRUE(otherThreadRaised);
}

TEST(RaiseAdsRefusal, TheLayerTextArrivesAsAnEngineError)
{
    const QString texts[] = {
        QStringLiteral("Update permission not granted on this table."),
        QStringLiteral("Insert permission not granted on this field: NOM_Société."),
    };
    for (const QString& text : texts) {
        DataSetStandIn dataSet;
        dataSet.name = QStringLiteral("Orders");
        const EADSDatabaseError error = RaisedBy([&] { RaiseAdsRefusal(&dataSet, text); });
        EXPECT_EQ(error.ACEErrorCode(), kAdsRefusalErrorCode);
        EXPECT_EQ(error.Message(), QStringLiteral("Orders: ") + text);
        EXPECT_EQ(ReadEngineLastError().code, kAdsRefusalErrorCode);
    }
}

TEST(AdsError, CarriesTheEngineLastErrorTextAndIgnoresItsArguments)
{
    ASSERT_NE(FailingConnect(), AE_SUCCESS);
    const QString engineText = AnsiToString(ReadEngineLastError().text);
    ASSERT_FALSE(engineText.isEmpty());
    EXPECT_EQ(AdsError(0, false).Message(), engineText);
    EXPECT_EQ(AdsError(5024, true).Message(), engineText);
}

TEST(LayerExceptions, CopiesKeepTheirClassAndContent)
{
    DataSetStandIn dataSet;
    const EADSDatabaseError database(&dataSet, 5148, QStringLiteral("column \"CITY\" is wrong"));
    const std::shared_ptr<Exception> databaseCopy = database.Clone();
    const auto* copied = dynamic_cast<const EADSDatabaseError*>(databaseCopy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Message(), database.Message());
    EXPECT_EQ(copied->ColumnName(), QStringLiteral("CITY"));
    EXPECT_EQ(copied->TableName(), QStringLiteral("customers.adt"));
    EXPECT_NE(dynamic_cast<const EDatabaseError*>(databaseCopy.get()), nullptr);

    const AdsConnectionError connection(QStringLiteral("Unrecognized DateFormat String"));
    const std::shared_ptr<Exception> connectionCopy = connection.Clone();
    ASSERT_NE(dynamic_cast<const AdsConnectionError*>(connectionCopy.get()), nullptr);
    EXPECT_EQ(connectionCopy->Message(), QStringLiteral("Unrecognized DateFormat String"));

    const AdsError engine(0, false);
    EXPECT_NE(dynamic_cast<const AdsError*>(engine.Clone().get()), nullptr);
}

} // namespace
