#include "platform/inifiles.h"

#include "platform/codepages.h"

#include <QFile>
#include <QStringView>
#include <optional>
#include <vector>

namespace {

struct IniEntry {
    QString key;
    QString value;
};

struct IniSection {
    QString name;
    std::vector<IniEntry> entries;

    const IniEntry* Find(const QString& key) const
    {
        for (const IniEntry& e : entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0)
                return &e;
        return nullptr;
    }
};

QString DecodeFileText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    return AnsiToString(bytes);
}

// The file's text, or nothing when it cannot be read.
std::optional<QString> ReadFileText(const QString& fileName)
{
    if (fileName.isEmpty())
        return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return DecodeFileText(bytes);
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView TrimBlanks(QStringView s)
{
    qsizetype begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

QString CleanValue(QStringView raw)
{
    QStringView value = TrimBlanks(raw);
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        value = value.mid(1, value.size() - 2);
    return value.toString();
}

QStringList SplitLines(const QString& text)
{
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\r', u'\n');
    return normalised.split(u'\n');
}

// A "[name]" line gives the name; anything after ']' is ignored.
std::optional<QString> SectionHeader(QStringView line)
{
    if (!line.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = line.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return TrimBlanks(line.mid(1, close - 1)).toString();
}

IniSection* FindSection(std::vector<IniSection>& sections, const QString& name)
{
    for (IniSection& s : sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

void AddEntry(IniSection& section, QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return;
    const QString key = TrimBlanks(line.left(eq)).toString();
    if (key.isEmpty() || section.Find(key))
        return;
    section.entries.push_back(IniEntry{key, CleanValue(line.mid(eq + 1))});
}

std::vector<IniSection> Parse(const QString& text)
{
    std::vector<IniSection> sections;
    IniSection* current = nullptr;
    // Lines of a repeated section are dropped: only its first occurrence counts.
    IniSection ignored;
    for (const QString& rawLine : SplitLines(text)) {
        const QStringView line = TrimBlanks(rawLine);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (const std::optional<QString> name = SectionHeader(line)) {
            if (FindSection(sections, *name)) {
                current = &ignored;
            } else {
                sections.push_back(IniSection{*name, {}});
                current = &sections.back();
            }
            continue;
        }
        if (current)
            AddEntry(*current, line);
    }
    return sections;
}

std::vector<IniSection> Load(const QString& fileName)
{
    const std::optional<QString> text = ReadFileText(fileName);
    return text ? Parse(*text) : std::vector<IniSection>{};
}

} // namespace

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    std::vector<IniSection> sections = Load(mFileName);
    const IniSection* s = FindSection(sections, section);
    const IniEntry* e = s ? s->Find(key) : nullptr;
    return e ? e->value : defaultValue;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    std::vector<IniSection> sections = Load(mFileName);
    QStringList keys;
    if (const IniSection* s = FindSection(sections, section))
        for (const IniEntry& e : s->entries)
            keys << e.key;
    return keys;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const IniSection& s : Load(mFileName))
        names << s.name;
    return names;
}

bool TIniFile::SectionExists(const QString& section) const
{
    std::vector<IniSection> sections = Load(mFileName);
    return FindSection(sections, section) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    std::vector<IniSection> sections = Load(mFileName);
    const IniSection* s = FindSection(sections, section);
    return s && s->Find(key);
}
