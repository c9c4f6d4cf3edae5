// The connection string of AdsConnect101: "Key=value;" pieces.
//
// Keys are matched without regard to case; a value may be written in double
// quotes (a doubled quote inside stands for one), which lets it hold ';'.
// Only the keys below are understood; any other key, or a value a key does
// not accept, is refused with AE_INVALID_CONNECT_STRING naming it. Keys this
// engine keeps but does not act on yet are stored as given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

struct ConnectSettings {
    std::string dataSource;             // "Data Source", 8-bit as given
    std::string userName;               // "User ID"
    std::string password;               // "Password"
    std::string dictionaryPassword;     // "DDPassword"
    bool fips = false;                  // "FIPS"
    std::string encryptionType;         // "EncryptionType": RC4, AES128, AES256
    std::string tlsCertificate;         // "TLSCertificate"
    std::string tlsCommonName;          // "TLSCommonName"
    std::string tlsCiphers;             // "TLSCiphers"
    std::string commType;               // "CommType": UDP_IP, IPX, TCP_IP, TLS
    std::string compression;            // "Compression": INTERNET, ALWAYS, NEVER
    uint32_t sqlTimeout = 0;            // "SQLTimeout", seconds
    bool incrementUserCount = false;    // "IncrementUserCount"
    bool storedProcedureConnection = false; // "StoredProcedureConnection"
    uint16_t serverTypes = 0;           // "ServerType": ADS_LOCAL_SERVER | ...; 0 = not given
    std::string dateFormat;             // "DateFormat", validated
    uint16_t tableType = 0;             // "TableType": ADS_NTX ... ADS_VFP; 0 = not given
};

ConnectSettings ParseConnectString(std::string_view text);

} // namespace engine
