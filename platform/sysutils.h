// The root of every exception the project raises, and the OS-level errors of
// the platform layer. Failures are exceptions, never return codes; the
// application's error box shows Message() of the innermost exception.
#pragma once

#include <QString>
#include <QByteArray>
#include <cstdint>
#include <exception>
#include <memory>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    ~Exception() override;

    const QString& Message() const { return mMessage; }
    void SetMessage(const QString& message);

    // An exception raised while handling another keeps that one as its inner
    // exception; the chain ends at the innermost, which is what the user sees.
    const Exception* InnerException() const { return mInner.get(); }
    const Exception& BaseException() const;
    void SetInnerException(std::shared_ptr<const Exception> inner) { mInner = std::move(inner); }

    // UTF-8 form of Message(), for std::exception users (tests, logs of tools).
    const char* what() const noexcept override { return mUtf8.constData(); }

    // Copies that keep the dynamic type, for keeping an exception beyond its
    // handler (the worker thread's error slot, inner-exception chains).
    virtual std::shared_ptr<Exception> Clone() const;

private:
    QString mMessage;
    QByteArray mUtf8;
    std::shared_ptr<const Exception> mInner;
};

// A file-system or input/output failure; ErrorCode is the system's error
// number (errno on Linux).
class EInOutError : public Exception {
public:
    EInOutError(const QString& message, int errorCode) : Exception(message), mErrorCode(errorCode) {}
    int ErrorCode() const { return mErrorCode; }
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EInOutError>(*this); }

private:
    int mErrorCode;
};

// An operating-system level failure identified by a 32-bit status code, such
// as a library or an entry point that cannot be loaded.
class EExternalException : public Exception {
public:
    EExternalException(const QString& message, uint32_t code) : Exception(message), mCode(code) {}
    uint32_t ExceptionCode() const { return mCode; }
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EExternalException>(*this); }

private:
    uint32_t mCode;
};

// Status codes of the lazy library loader.
constexpr uint32_t kModuleNotFoundCode = 0xC0FB007E;
constexpr uint32_t kProcedureNotFoundCode = 0xC0FB007F;
