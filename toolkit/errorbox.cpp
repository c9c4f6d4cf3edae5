#include "toolkit/errorbox.h"

#include "platform/sysutils.h"

QString WithClosingDot(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

QString ErrorBoxText(const std::exception& error)
{
    if (const auto* exception = dynamic_cast<const Exception*>(&error))
        return WithClosingDot(exception->BaseException().Message());
    return WithClosingDot(QString::fromUtf8(error.what()));
}

QString UnknownExceptionText()
{
    return QStringLiteral("An unexpected error occurred.");
}
