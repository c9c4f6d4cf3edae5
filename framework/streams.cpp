// Streams: base class services, memory streams.
#include "framework/streams.h"

#include "framework/typinfo.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

VARNEL_DEFINE_CLASS(TStream)
VARNEL_DEFINE_CLASS(TMemoryStream)
VARNEL_DEFINE_CLASS(TBytesStream)

// --- TStream ------------------------------------------------------------------

TStream::~TStream() = default;

int64_t TStream::Size() {
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(int64_t) { throw EStreamError(QStringLiteral("Stream cannot be resized")); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || Read(buffer, count) != count) throw EReadStreamError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || Write(buffer, count) != count) throw EWriteStreamError(QStringLiteral("Stream write error"));
}

QByteArray TStream::ReadRemaining() {
    const int64_t left = Size() - Position();
    QByteArray bytes;
    if (left <= 0) return bytes;
    bytes.resize(qsizetype(left));
    bytes.resize(qsizetype(Read(bytes.data(), left)));
    return bytes;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t chunk = 64 * 1024;
    QByteArray buffer(qsizetype(std::min(count, chunk)), Qt::Uninitialized);
    int64_t copied = 0;
    while (copied < count) {
        const int64_t n = std::min(chunk, count - copied);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.constData(), n);
        copied += n;
    }
    return copied;
}

// --- TMemoryStream ------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || mPosition >= mData.size()) return 0;
    const int64_t n = std::min<int64_t>(count, mData.size() - mPosition);
    std::memcpy(buffer, mData.constData() + mPosition, size_t(n));
    mPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t end = mPosition + count;
    if (end > mData.size()) mData.resize(qsizetype(end), '\0');  // also fills a gap left by a seek
    std::memcpy(mData.data() + mPosition, buffer, size_t(count));
    mPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? mPosition : int64_t(mData.size());
    const int64_t target = base + offset;
    if (target < 0) throw EStreamError(QStringLiteral("Stream seek before the start (%1)").arg(target));
    mPosition = target;
    return mPosition;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) throw EStreamError(QStringLiteral("Invalid stream size %1").arg(size));
    mData.resize(qsizetype(size), '\0');
    mPosition = std::min<int64_t>(mPosition, size);
}

void TMemoryStream::Clear() {
    mData.clear();
    mPosition = 0;
}

void TMemoryStream::SetBytes(const QByteArray& bytes) {
    mData = bytes;
    mPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    const int64_t size = source.Size();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    source.ReadBuffer(bytes.data(), size);
    SetBytes(bytes);
}

void TMemoryStream::SaveToStream(TStream& dest) const { dest.WriteBuffer(mData.constData(), mData.size()); }

void TMemoryStream::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EReadStreamError(QStringLiteral("Cannot open file \"%1\": %2").arg(fileName, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EReadStreamError(QStringLiteral("Cannot read file \"%1\": %2").arg(fileName, file.errorString()));
    }
    SetBytes(bytes);
}

void TMemoryStream::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(mData) != mData.size() || !file.commit()) {
        throw EWriteStreamError(QStringLiteral("Cannot write file \"%1\": %2").arg(fileName, file.errorString()));
    }
}
