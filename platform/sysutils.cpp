#include "platform/sysutils.h"

Exception::Exception(const QString& message) : mMessage(message), mUtf8(message.toUtf8()) {}

Exception::~Exception() = default;

void Exception::SetMessage(const QString& message)
{
    mMessage = message;
    mUtf8 = message.toUtf8();
}

const Exception& Exception::BaseException() const
{
    const Exception* e = this;
    while (e->mInner)
        e = e->mInner.get();
    return *e;
}

std::shared_ptr<Exception> Exception::Clone() const
{
    return std::make_shared<Exception>(*this);
}
