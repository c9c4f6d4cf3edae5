// A reader of profile (INI) files, as the platform's profile functions read
// them.
//
// Format: "[section]" lines open a section; "key=value" lines inside a
// section give one key each; lines starting with ';' (after leading blanks),
// blank lines and lines without '=' are ignored; line ends may be LF, CRLF
// or CR.
//
// Invariants:
// - The file is read afresh by every call; nothing is cached, so a change on
//   disk is seen by the next call.
// - A file that is missing or unreadable, and a section that is not in it,
//   give nothing: the default for ReadString, an empty list for ReadSection.
//   No call raises.
// - Section and key names are matched without regard to case. Names are
//   trimmed of surrounding blanks. When a section or a key appears more than
//   once, the first one counts and the repeats are ignored.
// - A value is the text after the first '=' trimmed of surrounding blanks,
//   then of one pair of surrounding double quotes. Nothing else is removed:
//   a ';' inside a value belongs to the value.
// - The text is read in the system code page (Windows-1252), except a file
//   that starts with a UTF-8 or UTF-16LE byte-order mark, which is read in
//   that encoding.
// - A file name without a folder is looked up in the current folder.
#pragma once

#include <QString>
#include <QStringList>

class TIniFile {
public:
    explicit TIniFile(const QString& fileName) : mFileName(fileName) {}

    const QString& FileName() const { return mFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Key names of the section, in file order.
    QStringList ReadSection(const QString& section) const;
    // Section names, in file order.
    QStringList ReadSections() const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

private:
    QString mFileName;
};
