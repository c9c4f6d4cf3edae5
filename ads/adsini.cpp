#include "ads/adsini.h"

#include "platform/codepages.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/inifiles.h"
#include "platform/paths.h"

#include <QStringView>
#include <string_view>

namespace {

constexpr QStringView kAdsIniName = u"ads.ini";
constexpr QStringView kDatabasesSection = u"Databases";

// The platform's search fills a buffer of this many characters, terminator
// included; a longer name does not fit and counts as not found, since a
// truncated name would point at some other file.
constexpr qsizetype kSearchPathBufferChars = 261;

QString FromAdsIniPath()
{
    const QString folder = GetEnvironmentVariable(QStringLiteral("adsini_path"));
    if (folder.isEmpty())
        return QString();
    const QString candidate = folder + PathDelim + kAdsIniName.toString();
    return FileExists(candidate) ? candidate : QString();
}

QString FromSearchPath()
{
    const QString found = SearchPath(kAdsIniName.toString());
    return found.size() < kSearchPathBufferChars ? found : QString();
}

// The value of the alias split at its first ';': the path before it and the
// letter after it, ASCII-upper-cased (a zero character when nothing follows
// the ';').
struct AliasValue {
    QString path;
    bool hasSeparator = false;
    QChar letter;
};

AliasValue ReadAliasValue(const QString& alias)
{
    const QString value = TIniFile(LocateAdsIni()).ReadString(kDatabasesSection.toString(), alias, QString());
    AliasValue result;
    const qsizetype separator = value.indexOf(u';');
    if (separator < 0) {
        result.path = value;
        return result;
    }
    result.path = value.left(separator);
    result.hasSeparator = true;
    if (separator + 1 < value.size()) {
        const QChar c = value.at(separator + 1);
        result.letter = (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 0x20) : c;
    }
    return result;
}

TAdsTableTypes DataSetTypeOfLetter(QChar letter)
{
    switch (letter.unicode()) {
    case u'N': return ttAdsNTX;
    case u'C': return ttAdsCDX;
    case u'V': return ttAdsVFP;
    default: return ttAdsADT;
    }
}

TAdsConnectionTableTypes ConnectionTypeOfLetter(QChar letter)
{
    switch (letter.unicode()) {
    case u'N': return ttAdsConnectNTX;
    case u'C': return ttAdsConnectCDX;
    case u'A': return ttAdsConnectADT;
    case u'V': return ttAdsConnectVFP;
    default: return ttAdsConnectUnspecified;
    }
}

// Item n (counting from 1) of `list`; both text forms share it so that they
// give the same items.
template <class View>
View DelimitedItem(int n, View list)
{
    if (n < 1 || list.empty())
        return {};
    std::size_t start = 0;
    for (int skip = 1; skip < n; ++skip) {
        const std::size_t separator = list.find(';', start);
        if (separator == View::npos)
            return {};
        start = separator + 1;
    }
    const std::size_t end = list.find(';', start);
    return list.substr(start, end == View::npos ? View::npos : end - start);
}

} // namespace

std::optional<TAdsTableTypes> DataSetTableTypeFor(TAdsConnectionTableTypes connectionType)
{
    switch (connectionType) {
    case ttAdsConnectCDX: return ttAdsCDX;
    case ttAdsConnectNTX: return ttAdsNTX;
    case ttAdsConnectADT: return ttAdsADT;
    case ttAdsConnectVFP: return ttAdsVFP;
    case ttAdsConnectUnspecified: break;
    }
    return std::nullopt;
}

QString LocateAdsIni()
{
    QString found = FromAdsIniPath();
    if (found.isEmpty())
        found = FromSearchPath();
    return found.isEmpty() ? kAdsIniName.toString() : found;
}

bool ResolveAlias(const QString& alias, QString& path, TAdsTableTypes& tableType)
{
    const AliasValue value = ReadAliasValue(alias);
    path = value.path;
    tableType = value.hasSeparator ? DataSetTypeOfLetter(value.letter) : ttAdsADT;
    return !path.isEmpty();
}

bool ResolveConnectionAlias(const QString& alias, QString& path, TAdsConnectionTableTypes& tableType)
{
    const AliasValue value = ReadAliasValue(alias);
    path = value.path;
    tableType = value.hasSeparator ? ConnectionTypeOfLetter(value.letter) : ttAdsConnectUnspecified;
    return !path.isEmpty();
}

void GetDelimitedItem(int n, const char* list, QString& item)
{
    const std::string_view text = list ? std::string_view(list) : std::string_view();
    const std::string_view found = DelimitedItem(n, text);
    item = AnsiToString(QByteArray(found.data(), qsizetype(found.size())));
}

void GetDelimitedItem(int n, const QString& list, QString& item)
{
    const std::u16string_view text(reinterpret_cast<const char16_t*>(list.utf16()), std::size_t(list.size()));
    const std::u16string_view found = DelimitedItem(n, text);
    item = QString::fromUtf16(found.data(), qsizetype(found.size()));
}

int FindDelimitedItem(const char* item, const QString& list)
{
    if (!item)
        return 0;
    const QByteArray ansi = StringToAnsi(list);
    const std::string_view text(ansi.constData(), std::size_t(ansi.size()));
    const std::string_view wanted(item);
    int count = 0;
    std::size_t pos = 0;
    for (;;) {
        ++count;
        const std::string_view rest = text.substr(pos);
        if (rest.size() >= wanted.size()
            && codepage::CompareIgnoreCase(codepage::CodePage::Ansi1252, rest.substr(0, wanted.size()), wanted) == 0
            && (rest.size() == wanted.size() || rest[wanted.size()] == ';'))
            return count;
        const std::size_t separator = text.find(';', pos);
        if (separator == std::string_view::npos)
            return 0;
        pos = separator + 1;
    }
}
