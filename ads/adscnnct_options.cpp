// The encryption and TLS settings of a connection.
#include "ads/adscnnct.h"
#include "ads/adserror.h"

namespace {

const QString kActiveConnectionMessage = QStringLiteral("Connection cannot be active when changing property.");

} // namespace

void TAdsEncryptionOptions::SetConnectionInstance(TAdsConnection* poConnect)
{
    FConnection = poConnect;
}

void TAdsEncryptionOptions::CheckNotConnected() const
{
    if (FConnection && FConnection->IsConnected())
        throw AdsConnectionError(kActiveConnectionMessage);
}

void TAdsEncryptionOptions::SetDataDictionaryPassword(const QString& value)
{
    CheckNotConnected();
    FDDPassword = value;
}

void TAdsEncryptionOptions::SetTLSCertificate(const QString& value)
{
    CheckNotConnected();
    FCertificate = value;
}

void TAdsEncryptionOptions::SetTLSCipherSuite(TAdsTLSCipherSuites value)
{
    CheckNotConnected();
    FCipherSuites = value;
}

void TAdsEncryptionOptions::SetTLSCommonName(const QString& value)
{
    CheckNotConnected();
    FCommonName = value;
}

void TAdsEncryptionOptions::SetFIPSMode(bool value)
{
    CheckNotConnected();
    FFIPSMode = value;
}

void TAdsEncryptionOptions::SetDataEncryptionType(TAdsDataEncryptionType value)
{
    CheckNotConnected();
    FDataEncryptionType = value;
}

// Copies the six settings (not the owning connection), under the same rule
// as assigning them one by one.
void TAdsEncryptionOptions::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TAdsEncryptionOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    CheckNotConnected();
    FDDPassword = other->FDDPassword;
    FCertificate = other->FCertificate;
    FCipherSuites = other->FCipherSuites;
    FCommonName = other->FCommonName;
    FFIPSMode = other->FFIPSMode;
    FDataEncryptionType = other->FDataEncryptionType;
}
