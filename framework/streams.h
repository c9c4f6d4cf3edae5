// Streams: the byte-stream base class, an in-memory stream and a stream over
// a byte array.
//
// Invariants: Position() is 0 .. Size() after every Seek (a seek before the
// start raises EStreamError; a seek beyond the end is allowed and a later
// Write fills the gap with zero bytes); Read returns the bytes actually
// read (fewer at the end, never negative); Write returns the bytes written.
#pragma once

#include "framework/classes.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class EStreamError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EStreamError>(*this); }
};
// A short read (ReadBuffer) and a short write (WriteBuffer, a file that
// cannot be written).
class EReadStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EReadStreamError>(*this); }
};
class EWriteStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EWriteStreamError>(*this); }
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
    VARNEL_DECLARE_CLASS(TStream, TObject)

public:
    ~TStream() override;

    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    // Default: seeks to the end and back.
    virtual int64_t Size();
    // Default: raises EStreamError (the stream cannot be resized).
    virtual void SetSize(int64_t size);

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }

    // Exactly `count` bytes or EReadStreamError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly `count` bytes or EWriteStreamError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
    // The bytes from the position to the end.
    QByteArray ReadRemaining();
    // Copies `count` bytes of `source` from its position (count 0: all of
    // `source` from its start); returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A growable byte buffer with a position.
class TMemoryStream : public TStream {
    VARNEL_DECLARE_CLASS(TMemoryStream, TStream)

public:
    TMemoryStream() = default;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return mData.size(); }
    // Grows with zero bytes or cuts; the position is kept within the size.
    void SetSize(int64_t size) override;

    // Empties the buffer, position 0.
    void Clear();
    const char* Memory() const { return mData.constData(); }
    char* Memory() { return mData.data(); }
    const QByteArray& Bytes() const { return mData; }
    void SetBytes(const QByteArray& bytes);  // replaces the content, position 0

    // Replaces the content with all of `source` (from its start), position 0.
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& dest) const;
    // EReadStreamError / EWriteStreamError naming the file. SaveToFile
    // replaces the file only once it is completely written.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

private:
    QByteArray mData;
    int64_t mPosition = 0;
};

// A memory stream that starts with the given bytes.
class TBytesStream : public TMemoryStream {
    VARNEL_DECLARE_CLASS(TBytesStream, TMemoryStream)

public:
    explicit TBytesStream(const QByteArray& bytes = {}) { SetBytes(bytes); }
};
