// The engine-call trace: what it records of real calls, in which order, and
// that it records nothing while off.
#include "ads/ace.h"
#include "ads/adserror.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace {

constexpr ADSHANDLE kUnknownHandle = 0x0BADF00D;

QStringList Texts(const std::vector<ace::TracedCall>& calls)
{
    QStringList texts;
    for (const ace::TracedCall& call : calls)
        texts.append(call.Text());
    return texts;
}

QString Result(UNSIGNED32 code)
{
    return QStringLiteral(" = ") + QString::number(code);
}

TEST(CallTrace, RecordsEachCallWithItsArgumentsAndResultInOrder)
{
    const QString handle = QString::number(kUnknownHandle);
    ace::AdsSetLastError(5054, "before the trace");

    ace::StartCallTrace();
    const UNSIGNED32 stored = ace::AdsSetLastError(5054, "Acc\xE8s refus\xE9");  // system code page
    UNSIGNED32 code = 0;
    char text[601] = {};
    UNSIGNED16 length = 600;
    const UNSIGNED32 fetched = ace::AdsGetLastError(&code, text, &length);
    // A counted text shows only its counted part; a column by number as the number.
    const UNSIGNED32 setString = ace::AdsSetString(kUnknownHandle, ADSFIELD(3), "abcdef", 3);
    const UNSIGNED32 setRaw = ace::AdsSetFieldRaw(kUnknownHandle, "NAME", reinterpret_cast<const UNSIGNED8*>("\x01\xff"), 2);
    const UNSIGNED32 filter = ace::AdsSetAOF100(kUnknownHandle, u"Name = '\u00e9'", ADS_ENCODE_UTF16 | ADS_RESOLVE_DYNAMIC);
    const UNSIGNED32 prepare = ace::AdsPrepareSQLW(kUnknownHandle, u"EXECUTE PROCEDURE sp_GetSQLStatements()");
    const UNSIGNED32 execute = ace::AdsExecuteSQL(kUnknownHandle, nullptr);
    const UNSIGNED32 skip = ace::AdsSkip(kUnknownHandle, -1);
    const std::vector<ace::TracedCall> calls = ace::StopCallTrace();
    ace::AdsSetLastError(5054, "after the trace");

    const QStringList expected = {
        QStringLiteral("AdsSetLastError(5054, \"Accès refusé\")") + Result(stored),
        QStringLiteral("AdsGetLastError(&5054, buffer, &12)") + Result(fetched),
        QStringLiteral("AdsSetString(%1, 3, \"abc\", 3)").arg(handle) + Result(setString),
        QStringLiteral("AdsSetFieldRaw(%1, \"NAME\", x'01ff', 2)").arg(handle) + Result(setRaw),
        QStringLiteral("AdsSetAOF100(%1, \"Name = 'é'\", 8194)").arg(handle) + Result(filter),
        QStringLiteral("AdsPrepareSQLW(%1, \"EXECUTE PROCEDURE sp_GetSQLStatements()\")").arg(handle) + Result(prepare),
        QStringLiteral("AdsExecuteSQL(%1, null)").arg(handle) + Result(execute),
        QStringLiteral("AdsSkip(%1, -1)").arg(handle) + Result(skip),
    };
    EXPECT_EQ(Texts(calls), expected);
    EXPECT_EQ(stored, 5054u);
    for (const ace::TracedCall& call : calls)
        EXPECT_EQ(call.thread, std::this_thread::get_id());
}

TEST(CallTrace, ShowsTheCallsOfACheckedFailure)
{
    ace::StartCallTrace();
    ADSHANDLE connection = 0;
    try {
        CheckAdsResult(nullptr, ace::AdsConnect("/nonexistent/varnel", &connection));
        ADD_FAILURE() << "the connection to a missing folder succeeded";
    } catch (const EADSDatabaseError&) {
    }
    const std::vector<ace::TracedCall> calls = ace::StopCallTrace();
    ASSERT_EQ(calls.size(), 2u) << Texts(calls).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls[0].function, QStringLiteral("AdsConnect"));
    EXPECT_EQ(calls[0].arguments.value(0), QStringLiteral("\"/nonexistent/varnel\""));
    EXPECT_NE(calls[0].result.value_or(0), 0u);
    EXPECT_EQ(calls[1].function, QStringLiteral("AdsGetLastError"));
    EXPECT_EQ(calls[1].arguments.value(0), QLatin1Char('&') + QString::number(*calls[0].result))
        << "the failure's code is read back";
}

TEST(CallTrace, KeepsEachThreadsOrderAndMissesNoCall)
{
    constexpr int kThreads = 4;
    constexpr int kCallsPerThread = 50;
    ace::StartCallTrace();
    std::vector<std::thread> threads;
    std::map<std::thread::id, int> threadNumbers;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kCallsPerThread; ++i)
                ace::AdsSkip(kUnknownHandle, t * 1000 + i);
        });
    for (int t = 0; t < kThreads; ++t)
        threadNumbers[threads[t].get_id()] = t;
    for (std::thread& thread : threads)
        thread.join();
    const std::vector<ace::TracedCall> calls = ace::StopCallTrace();

    std::map<int, std::vector<int>> stepsByThread;
    for (const ace::TracedCall& call : calls) {
        ASSERT_EQ(call.function, QStringLiteral("AdsSkip"));
        const int value = call.arguments.value(1).toInt();
        EXPECT_EQ(threadNumbers.at(call.thread), value / 1000) << "recorded under the calling thread";
        stepsByThread[value / 1000].push_back(value % 1000);
    }
    std::vector<int> inOrder(kCallsPerThread);
    for (int i = 0; i < kCallsPerThread; ++i)
        inOrder[i] = i;
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(stepsByThread[t], inOrder) << "thread " << t;
}

TEST(CallTrace, RecordsNothingWhileOff)
{
    ace::StopCallTrace();
    ace::AdsSkip(kUnknownHandle, 1);
    ace::StartCallTrace();
    const std::vector<ace::TracedCall> startedEmpty = ace::CallTraceSoFar();
    ace::AdsSkip(kUnknownHandle, 2);
    ace::StopCallTrace();
    ace::AdsSkip(kUnknownHandle, 3);
    EXPECT_TRUE(startedEmpty.empty());
    ace::StartCallTrace();
    EXPECT_TRUE(ace::StopCallTrace().empty()) << "a new run starts empty and calls made while off stay out";
}

} // namespace
