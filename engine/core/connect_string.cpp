#include "engine/core/connect_string.h"

#include "engine/core/dates.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <cctype>
#include <functional>
#include <initializer_list>
#include <map>
#include <vector>

namespace engine {

namespace {

struct Piece {
    std::string key;
    std::string value;
};

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string Trim(std::string_view text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

[[noreturn]] void Refuse(const std::string& why)
{
    throw EngineError(AE_INVALID_CONNECT_STRING, "Invalid connection string: " + why);
}

// Reads a quoted value starting at text[pos] == '"'; pos ends after the
// closing quote.
std::string ReadQuoted(std::string_view text, size_t& pos, const std::string& key)
{
    std::string value;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != '"') {
            value += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
            value += '"';
            ++pos;
        } else {
            ++pos;
            return value;
        }
    }
    Refuse("the value of " + key + " has no closing quote.");
}

std::vector<Piece> SplitPieces(std::string_view text)
{
    std::vector<Piece> pieces;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t equals = text.find('=', pos);
        size_t semicolon = text.find(';', pos);
        if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
            std::string stray = Trim(text.substr(pos, semicolon == std::string_view::npos ? text.npos : semicolon - pos));
            if (!stray.empty())
                Refuse("'" + stray + "' has no '=' and value.");
            pos = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
            continue;
        }
        Piece piece{Trim(text.substr(pos, equals - pos)), {}};
        pos = equals + 1;
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
        if (pos < text.size() && text[pos] == '"') {
            piece.value = ReadQuoted(text, pos, piece.key);
            size_t next = text.find(';', pos);
            if (!Trim(text.substr(pos, next == text.npos ? text.npos : next - pos)).empty())
                Refuse("text follows the quoted value of " + piece.key + ".");
            pos = next == text.npos ? text.size() : next + 1;
        } else {
            size_t next = text.find(';', pos);
            piece.value = Trim(text.substr(pos, next == text.npos ? text.npos : next - pos));
            pos = next == text.npos ? text.size() : next + 1;
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

bool ReadBoolean(const Piece& piece)
{
    std::string value = Upper(piece.value);
    if (value == "TRUE" || value == "1")
        return true;
    if (value == "FALSE" || value == "0")
        return false;
    Refuse(piece.key + " must be True or False, not '" + piece.value + "'.");
}

std::string ReadChoice(const Piece& piece, std::initializer_list<const char*> choices)
{
    std::string value = Upper(piece.value);
    for (const char* choice : choices)
        if (value == choice)
            return value;
    std::string list;
    for (const char* choice : choices)
        list += (list.empty() ? "" : ", ") + std::string(choice);
    Refuse(piece.key + " must be one of " + list + ", not '" + piece.value + "'.");
}

uint16_t ReadServerTypes(const Piece& piece)
{
    uint16_t types = 0;
    std::string value = Upper(piece.value);
    size_t pos = 0;
    while (pos <= value.size()) {
        size_t bar = value.find('|', pos);
        std::string name = Trim(value.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
        if (name == "LOCAL")
            types |= ADS_LOCAL_SERVER;
        else if (name == "REMOTE")
            types |= ADS_REMOTE_SERVER;
        else if (name == "INTERNET")
            types |= ADS_AIS_SERVER;
        else
            Refuse("ServerType names LOCAL, REMOTE or INTERNET joined by '|', not '" + piece.value + "'.");
        if (bar == std::string::npos)
            break;
        pos = bar + 1;
    }
    return types;
}

uint16_t ReadTableType(const Piece& piece)
{
    std::string value = ReadChoice(piece, {"NTX", "CDX", "ADT", "VFP"});
    if (value == "NTX")
        return ADS_NTX;
    if (value == "CDX")
        return ADS_CDX;
    return value == "ADT" ? ADS_ADT : ADS_VFP;
}

uint32_t ReadDecimal(const Piece& piece)
{
    if (piece.value.empty() || piece.value.size() > 9
        || piece.value.find_first_not_of("0123456789") != std::string::npos)
        Refuse(piece.key + " must be a whole number, not '" + piece.value + "'.");
    return static_cast<uint32_t>(std::stoul(piece.value));
}

using Apply = std::function<void(ConnectSettings&, const Piece&)>;

const std::map<std::string, Apply>& KeyTable()
{
    static const std::map<std::string, Apply> table = {
        {"DATA SOURCE", [](ConnectSettings& s, const Piece& p) { s.dataSource = p.value; }},
        {"USER ID", [](ConnectSettings& s, const Piece& p) { s.userName = p.value; }},
        {"PASSWORD", [](ConnectSettings& s, const Piece& p) { s.password = p.value; }},
        {"DDPASSWORD", [](ConnectSettings& s, const Piece& p) { s.dictionaryPassword = p.value; }},
        {"FIPS", [](ConnectSettings& s, const Piece& p) { s.fips = ReadBoolean(p); }},
        {"ENCRYPTIONTYPE",
         [](ConnectSettings& s, const Piece& p) { s.encryptionType = ReadChoice(p, {"RC4", "AES128", "AES256"}); }},
        {"TLSCERTIFICATE", [](ConnectSettings& s, const Piece& p) { s.tlsCertificate = p.value; }},
        {"TLSCOMMONNAME", [](ConnectSettings& s, const Piece& p) { s.tlsCommonName = p.value; }},
        {"TLSCIPHERS", [](ConnectSettings& s, const Piece& p) { s.tlsCiphers = p.value; }},
        {"COMMTYPE",
         [](ConnectSettings& s, const Piece& p) { s.commType = ReadChoice(p, {"UDP_IP", "IPX", "TCP_IP", "TLS"}); }},
        {"COMPRESSION",
         [](ConnectSettings& s, const Piece& p) { s.compression = ReadChoice(p, {"INTERNET", "ALWAYS", "NEVER"}); }},
        {"SQLTIMEOUT", [](ConnectSettings& s, const Piece& p) { s.sqlTimeout = ReadDecimal(p); }},
        {"INCREMENTUSERCOUNT", [](ConnectSettings& s, const Piece& p) { s.incrementUserCount = ReadBoolean(p); }},
        {"STOREDPROCEDURECONNECTION",
         [](ConnectSettings& s, const Piece& p) { s.storedProcedureConnection = ReadBoolean(p); }},
        {"SERVERTYPE", [](ConnectSettings& s, const Piece& p) { s.serverTypes = ReadServerTypes(p); }},
        {"DATEFORMAT", [](ConnectSettings& s, const Piece& p) { s.dateFormat = DateFormat(p.value).Mask(); }},
        {"TABLETYPE", [](ConnectSettings& s, const Piece& p) { s.tableType = ReadTableType(p); }},
    };
    return table;
}

} // namespace

ConnectSettings ParseConnectString(std::string_view text)
{
    ConnectSettings settings;
    for (const Piece& piece : SplitPieces(text)) {
        auto it = KeyTable().find(Upper(piece.key));
        if (it == KeyTable().end())
            Refuse("unknown key '" + piece.key + "'.");
        it->second(settings, piece);
    }
    if (settings.dataSource.empty())
        Refuse("it names no Data Source.");
    return settings;
}

} // namespace engine
