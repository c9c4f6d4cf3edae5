#include "platform/inifiles.h"
#include "tests/support/testsupport.h"
#include "tests/platform/qtprinters.h"

#include <QFile>
#include <gtest/gtest.h>

using testsupport::CurrentDirGuard;
using testsupport::TempFolder;

namespace {

// One file exercising every reading rule; the table below reads it.
const QByteArray kProfile =
    "; a comment before any section\r\n"
    "orphan=ignored, no section yet\r\n"
    "[Databases]\r\n"
    "Sales=C:\\data\\sales;N\r\n"
    "  Spaced Key  =   padded value   \r\n"
    "Quoted=  \"  inside quotes ; kept  \"  \r\n"
    "HalfQuoted=\"only one\r\n"
    "Empty=\r\n"
    "  ; indented comment=not a key\r\n"
    "no equals sign here\r\n"
    "Twice=first\r\n"
    "TWICE=second\r\n"
    "Equals=a=b=c\r\n"
    "Accents=d\xE9j\xE0 \x80\r\n"
    "=no key\r\n"
    "[ Other ]\n"
    "Sales=other section\n"
    "[databases]\r"
    "Late=repeated section is ignored\r"
    "[Tail]\n"
    "Last=no line end";

} // namespace

TEST(IniFile, ReadStringRules)
{
    TempFolder tmp;
    const TIniFile ini(tmp.write("profile.ini", kProfile));
    struct Case { QString section, key, expected; };
    const Case cases[] = {
        {"Databases", "Sales", "C:\\data\\sales;N"},
        {"DATABASES", "sAlEs", "C:\\data\\sales;N"},
        {"Databases", "Spaced Key", "padded value"},
        {"Databases", "Quoted", "  inside quotes ; kept  "},
        {"Databases", "HalfQuoted", "\"only one"},
        {"Databases", "Empty", ""},
        {"Databases", "Twice", "first"},
        {"Databases", "Equals", "a=b=c"},
        {"Databases", "Accents", QString::fromUtf8("d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC")},
        {"Databases", "; indented comment", "<default>"},
        {"Databases", "no equals sign here", "<default>"},
        {"Databases", "Late", "<default>"},
        {"Databases", "orphan", "<default>"},
        {"Databases", "", "<default>"},
        {"Other", "Sales", "other section"},
        {"Tail", "Last", "no line end"},
        {"Missing", "Sales", "<default>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.section + "/" + c.key).toStdString());
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected);
        EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected != "<default>");
    }
}

TEST(IniFile, SectionsAndKeysInFileOrder)
{
    TempFolder tmp;
    const TIniFile ini(tmp.write("profile.ini", kProfile));
    EXPECT_EQ(ini.ReadSection("databases"),
              QStringList({"Sales", "Spaced Key", "Quoted", "HalfQuoted", "Empty", "Twice", "Equals", "Accents"}));
    EXPECT_EQ(ini.ReadSections(), QStringList({"Databases", "Other", "Tail"}));
    EXPECT_TRUE(ini.SectionExists("OTHER"));
    EXPECT_TRUE(ini.ReadSection("Missing").isEmpty());
}

TEST(IniFile, MissingOrUnreadableFilesGiveNothing)
{
    TempFolder tmp;
    const QString names[] = {tmp.file("missing.ini"), tmp.path(), QString()};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const TIniFile ini(name);
        EXPECT_EQ(ini.ReadString("Databases", "Sales", "dflt"), "dflt");
        EXPECT_TRUE(ini.ReadSection("Databases").isEmpty());
        EXPECT_TRUE(ini.ReadSections().isEmpty());
    }
}

TEST(IniFile, ByteOrderMarksSelectTheEncoding)
{
    TempFolder tmp;
    const QString text = QString::fromUtf8("[S]\nK=\xC4\xB1\xE2\x82\xAC\n");  // dotless i, euro
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const QByteArray files[] = {"\xEF\xBB\xBF" + text.toUtf8(), utf16};
    for (const QByteArray& bytes : files) {
        const TIniFile ini(tmp.write("bom.ini", bytes));
        EXPECT_EQ(ini.ReadString("S", "K", ""), QString::fromUtf8("\xC4\xB1\xE2\x82\xAC"));
    }
}

TEST(IniFile, ReadsAfreshAndFindsBareNamesInTheCurrentFolder)
{
    TempFolder tmp;
    tmp.write("ads.ini", "[Databases]\nOne=/a\n");
    CurrentDirGuard cd(tmp.path());
    const TIniFile ini("ads.ini");
    EXPECT_EQ(ini.ReadSection("Databases"), QStringList({"One"}));
    tmp.write("ads.ini", "[Databases]\nTwo=/b\nOne=/c\n");
    EXPECT_EQ(ini.ReadSection("Databases"), QStringList({"Two", "One"}));
    EXPECT_EQ(ini.ReadString("Databases", "One", ""), "/c");
    ASSERT_TRUE(QFile::remove(tmp.file("ads.ini")));
    EXPECT_EQ(ini.ReadString("Databases", "One", "gone"), "gone");
}
