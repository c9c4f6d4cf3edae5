// The optional record of engine calls. A call is entered when it starts, so
// that the record keeps the order in which calls were made even when a long
// call on one thread overlaps calls on another; its outputs and result are
// added when it returns. Off, the wrappers test one relaxed atomic and
// capture nothing.
#include "ads/ace.h"

#include "platform/codepages.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace ace::detail {

std::atomic<bool> gTraceOn{false};

namespace {

std::mutex gTraceMutex;
std::vector<TracedCall> gTrace;  // guarded by gTraceMutex
uint32_t gTraceRun = 0;          // guarded by gTraceMutex; a result of an earlier run is dropped

// Column and parameter numbers travel as pointers below this value.
constexpr uintptr_t kFirstAddress = 0x10000;

// Arguments given as a pointer followed by their length. Every other text
// argument is zero-terminated; every other constant byte pointer has no
// length the trace could trust, so its content is not read.
std::optional<size_t> CountedArgument(FunctionId id)
{
    switch (id) {
    case FunctionId::AdsConvertStringToJulian: return 0;
    case FunctionId::AdsConvertDateToJulian:
    case FunctionId::AdsSeek:
    case FunctionId::AdsBuildKeyFromRecord: return 1;
    case FunctionId::AdsSetTimeStampRaw:
    case FunctionId::AdsSetString:
    case FunctionId::AdsSetStringW:
    case FunctionId::AdsSetField:
    case FunctionId::AdsSetFieldW:
    case FunctionId::AdsSetFieldRaw:
    case FunctionId::AdsSetScope: return 2;
    case FunctionId::AdsSetBinary: return 5;
    default: return std::nullopt;
    }
}

// The filter functions take text that is UTF-16 or 8-bit by their option.
bool IsFilterText(FunctionId id, size_t index)
{
    return index == 1 && (id == FunctionId::AdsSetAOF100 || id == FunctionId::AdsSetFilter100);
}

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString IntegerText(const TraceValue& value)
{
    return value.isSigned ? QString::number(qint64(value.integer)) : QString::number(quint64(value.integer));
}

QString Text8(const char* text, std::optional<size_t> length)
{
    if (!text)
        return QStringLiteral("null");
    if (reinterpret_cast<uintptr_t>(text) < kFirstAddress)
        return QString::number(reinterpret_cast<uintptr_t>(text));
    const size_t size = length ? *length : std::strlen(text);
    return Quoted(AnsiToString(QByteArray(text, qsizetype(size))));
}

QString Text16(const char16_t* text, std::optional<size_t> length)
{
    if (!text)
        return QStringLiteral("null");
    return Quoted(length ? QString::fromUtf16(text, qsizetype(*length)) : QString::fromUtf16(text));
}

QString Bytes(const void* bytes, std::optional<size_t> length)
{
    if (!bytes)
        return QStringLiteral("null");
    if (!length)
        return QStringLiteral("bytes");
    const QByteArray data(static_cast<const char*>(bytes), qsizetype(*length));
    return QStringLiteral("x'") + QString::fromLatin1(data.toHex()) + QLatin1Char('\'');
}

QString OutScalar(const TraceValue& value)
{
    if (!value.pointer)
        return QStringLiteral("null");
    if (!value.outKnown)
        return QStringLiteral("&");
    return QLatin1Char('&') + (value.realOut ? QString::number(value.real, 'g', 17) : IntegerText(value));
}

QString PointerWord(const TraceValue& value, const char* word)
{
    return value.pointer ? QString::fromLatin1(word) : QStringLiteral("null");
}

std::optional<size_t> LengthAfter(const TraceValue* values, size_t count, size_t index)
{
    if (index + 1 >= count || values[index + 1].kind != TraceValue::Kind::Integer)
        return std::nullopt;
    return size_t(values[index + 1].integer);
}

QString FilterText(const TraceValue* values, size_t count, size_t index)
{
    const bool utf16 = index + 1 < count && (values[index + 1].integer & ADS_ENCODE_UTF16);
    const void* text = values[index].pointer;
    return utf16 ? Text16(static_cast<const char16_t*>(text), std::nullopt)
                 : Text8(static_cast<const char*>(text), std::nullopt);
}

QString ArgumentText(FunctionId id, const TraceValue* values, size_t count, size_t index)
{
    using K = TraceValue::Kind;
    const TraceValue& value = values[index];
    const std::optional<size_t> counted = CountedArgument(id) == index ? LengthAfter(values, count, index) : std::nullopt;
    switch (value.kind) {
    case K::Integer: return IntegerText(value);
    case K::Real: return QString::number(value.real, 'g', 17);
    case K::Text8: return Text8(static_cast<const char*>(value.pointer), counted);
    case K::Text16: return Text16(static_cast<const char16_t*>(value.pointer), counted);
    case K::Bytes: return IsFilterText(id, index) ? FilterText(values, count, index) : Bytes(value.pointer, counted);
    case K::OutScalar: return OutScalar(value);
    case K::Buffer: return PointerWord(value, "buffer");
    case K::Callback: return PointerWord(value, "callback");
    }
    return {};
}

QStringList ArgumentTexts(FunctionId id, const TraceValue* values, size_t count)
{
    QStringList texts;
    texts.reserve(qsizetype(count));
    for (size_t index = 0; index < count; ++index)
        texts.append(ArgumentText(id, values, count, index));
    return texts;
}

} // namespace

TraceTicket BeginTracedCall(FunctionId id, const TraceValue* values, size_t count)
{
    TracedCall call;
    call.function = QString::fromLatin1(FunctionName(id));
    call.arguments = ArgumentTexts(id, values, count);
    call.thread = std::this_thread::get_id();
    std::lock_guard lock(gTraceMutex);
    if (!gTraceOn.load(std::memory_order_relaxed))
        return {};
    gTrace.push_back(std::move(call));
    return TraceTicket{true, id, gTraceRun, gTrace.size() - 1};
}

void EndTracedCall(const TraceTicket& ticket, const TraceValue* values, size_t count, uint32_t result)
{
    if (!ticket.recorded)
        return;
    QStringList arguments = ArgumentTexts(ticket.id, values, count);
    std::lock_guard lock(gTraceMutex);
    if (ticket.run != gTraceRun || ticket.index >= gTrace.size())
        return;
    TracedCall& call = gTrace[ticket.index];
    call.arguments = std::move(arguments);
    call.result = result;
}

} // namespace ace::detail

namespace ace {

QString TracedCall::Text() const
{
    QString text = function + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (result)
        text += QStringLiteral(" = ") + QString::number(*result);
    return text;
}

void StartCallTrace()
{
    std::lock_guard lock(detail::gTraceMutex);
    detail::gTrace.clear();
    ++detail::gTraceRun;
    detail::gTraceOn.store(true, std::memory_order_relaxed);
}

std::vector<TracedCall> StopCallTrace()
{
    std::lock_guard lock(detail::gTraceMutex);
    detail::gTraceOn.store(false, std::memory_order_relaxed);
    ++detail::gTraceRun;
    return std::exchange(detail::gTrace, {});
}

std::vector<TracedCall> CallTraceSoFar()
{
    std::lock_guard lock(detail::gTraceMutex);
    return detail::gTrace;
}

} // namespace ace
