// The published properties of the connection component and of its
// encryption options, as window definitions store them.
#include "ads/adscnnct.h"

VARNEL_PUBLISH(TAdsEncryptionOptions, c)
{
    c.prop("DataDictionaryPassword", &TAdsEncryptionOptions::DataDictionaryPassword,
           &TAdsEncryptionOptions::SetDataDictionaryPassword);
    c.prop("TLSCertificate", &TAdsEncryptionOptions::TLSCertificate, &TAdsEncryptionOptions::SetTLSCertificate);
    c.prop("TLSCipherSuite", &TAdsEncryptionOptions::TLSCipherSuite, &TAdsEncryptionOptions::SetTLSCipherSuite)
        .def(TAdsTLSCipherSuites{});
    c.prop("TLSCommonName", &TAdsEncryptionOptions::TLSCommonName, &TAdsEncryptionOptions::SetTLSCommonName);
    c.prop("FIPSMode", &TAdsEncryptionOptions::FIPSMode, &TAdsEncryptionOptions::SetFIPSMode).def(false);
    c.prop("DataEncryptionType", &TAdsEncryptionOptions::DataEncryptionType,
           &TAdsEncryptionOptions::SetDataEncryptionType)
        .def(etAdsDefault);
}

VARNEL_PUBLISH(TAdsConnection, c)
{
    c.prop("AliasName", &TAdsConnection::AliasName, &TAdsConnection::SetAliasName);
    c.prop("ConnectPath", &TAdsConnection::ConnectPath, &TAdsConnection::SetConnectPath);
    // Read-only: never read from nor written to a definition (reading it
    // while closed raises, so no property walk may touch it).
    c.prop("ServerName", &TAdsConnection::ServerName);
    c.prop("ConnectionHandle", &TAdsConnection::ConnectionHandle);
    c.prop("AdsServerTypes", &TAdsConnection::AdsServerTypes, &TAdsConnection::SetAdsServerTypes)
        .def(TAdsServerTypes{});
    c.prop("LoginPrompt", &TAdsConnection::LoginPrompt, &TAdsConnection::SetLoginPrompt).def(true);
    c.prop("Username", &TAdsConnection::Username, &TAdsConnection::SetUsername);
    c.prop("Password", &TAdsConnection::Password, &TAdsConnection::SetPassword);
    c.prop("MiddleTierConnection", &TAdsConnection::MiddleTierConnection, &TAdsConnection::SetMiddleTierConnection)
        .def(false);
    c.prop("StoreConnected", &TAdsConnection::StoreConnected, &TAdsConnection::SetStoreConnected).def(true);
    c.prop("StoredProcedureConnection", &TAdsConnection::StoredProcedureConnection,
           &TAdsConnection::SetStoredProcedureConnection)
        .def(false);
    c.prop("Compression", &TAdsConnection::Compression, &TAdsConnection::SetCompression).def(ccAdsCompressionNotSet);
    c.prop("CommunicationType", &TAdsConnection::CommunicationType, &TAdsConnection::SetCommunicationType)
        .def(ctAdsDefault);
    c.prop("ReadOnly", &TAdsConnection::ReadOnly, &TAdsConnection::SetReadOnly).def(false);
    c.prop("CancelOnRollback", &TAdsConnection::CancelOnRollback, &TAdsConnection::SetCancelOnRollback).def(true);
    c.prop("SQLTimeout", &TAdsConnection::SQLTimeout, &TAdsConnection::SetSQLTimeout).def(0);
    c.prop("ApplicationID", &TAdsConnection::ApplicationID, &TAdsConnection::SetApplicationID);
    c.prop("AdsCollation", &TAdsConnection::AdsCollation, &TAdsConnection::SetAdsCollation);
    c.sub("EncryptionOptions", &TAdsConnection::EncryptionOptions);
    c.prop("ExtraConnectString", &TAdsConnection::ExtraConnectString, &TAdsConnection::SetExtraConnectString);
    c.prop("DateFormat", &TAdsConnection::DateFormat, &TAdsConnection::SetDateFormat);
    // Last, so that a definition's settings are all in place when the
    // deferred opening runs in Loaded.
    c.prop("IsConnected", &TAdsConnection::IsConnected, &TAdsConnection::SetIsConnected)
        .def(false)
        .stored(&TAdsConnection::StoreConnected);
    c.event("AfterCommit", &TAdsConnection::AfterCommit);
    c.event("BeforeCommit", &TAdsConnection::BeforeCommit);
    c.event("AfterRollback", &TAdsConnection::AfterRollback);
    c.event("BeforeRollback", &TAdsConnection::BeforeRollback);
    c.event("OnConnect", &TAdsConnection::OnConnect);
    c.event("OnDisconnect", &TAdsConnection::OnDisconnect);
    c.event("AfterConnect", &TAdsConnection::AfterConnect);
    c.event("BeforeConnect", &TAdsConnection::BeforeConnect);
    c.event("AfterDisconnect", &TAdsConnection::AfterDisconnect);
    c.event("BeforeDisconnect", &TAdsConnection::BeforeDisconnect);
    c.event("OnLogin", &TAdsConnection::OnLogin);
}
