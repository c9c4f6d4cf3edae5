// TDefObject trees -> the text syntax of window definitions.
#include "framework/streaming.h"

#include <charconv>
#include <cmath>

namespace {

constexpr int kIndentStep = 2;
constexpr int kStringChunk = 64;       // characters per line of a long string
constexpr int kBinaryBytesPerLine = 32;

bool IsPrintableAscii(QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; }

QString Indent(int level) { return QString(level * kIndentStep, u' '); }

// One piece of a string: quoted printable ASCII, #nnn for everything else.
QString QuoteChunk(const QString& text) {
    QString out;
    bool inQuotes = false;
    for (QChar c : text) {
        if (IsPrintableAscii(c)) {
            if (!inQuotes) out += u'\'';
            inQuotes = true;
            out += c;
            if (c == u'\'') out += u'\'';
        } else {
            if (inQuotes) out += u'\'';
            inQuotes = false;
            out += u'#' + QString::number(c.unicode());
        }
    }
    if (inQuotes) out += u'\'';
    return out.isEmpty() ? QStringLiteral("''") : out;
}

// Long strings continue on the next lines with " +".
QString FormatString(const QString& text, int level) {
    if (text.size() <= kStringChunk) return QuoteChunk(text);
    QString out;
    qsizetype start = 0;
    while (start < text.size()) {
        if (start > 0) out += QStringLiteral(" +\n") + Indent(level + 1);
        qsizetype length = qMin<qsizetype>(kStringChunk, text.size() - start);
        // Keep surrogate pairs together.
        if (start + length < text.size() && text[start + length - 1].isHighSurrogate()) ++length;
        out += QuoteChunk(text.mid(start, length));
        start += length;
    }
    return out;
}

QString FormatFloat(double value) {
    if (!std::isfinite(value)) throw EWriteError(QStringLiteral("A floating-point value that is not finite cannot be written"));
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(u'.') && !text.contains(u'e')) text += QStringLiteral(".0");
    // "1e+20" reads back as a float only with digits around a dot or an exponent.
    if (text.contains(u'e') && !text.contains(u'.')) text.replace(QStringLiteral("e"), QStringLiteral(".0e"));
    return text;
}

QString FormatBinary(const QByteArray& bytes, int level) {
    if (bytes.isEmpty()) return QStringLiteral("{}");
    QString out = QStringLiteral("{");
    for (qsizetype start = 0; start < bytes.size(); start += kBinaryBytesPerLine) {
        out += u'\n' + Indent(level + 1) +
               QString::fromLatin1(bytes.mid(start, kBinaryBytesPerLine).toHex().toUpper());
    }
    return out + u'}';
}

QString FormatValue(const TDefValue& value, int level);

void AppendProperties(QString& out, const std::vector<TDefProperty>& properties, int level) {
    for (const TDefProperty& p : properties) {
        out += Indent(level) + p.name + QStringLiteral(" = ") + FormatValue(p.value, level) + u'\n';
    }
}

QString FormatList(const std::vector<TDefValue>& values, int level) {
    if (values.empty()) return QStringLiteral("()");
    QString out = QStringLiteral("(");
    for (const TDefValue& v : values) out += u'\n' + Indent(level + 1) + FormatValue(v, level + 1);
    return out + u')';
}

QString FormatCollection(const std::vector<TDefItem>& items, int level) {
    if (items.empty()) return QStringLiteral("<>");
    QString out = QStringLiteral("<");
    for (const TDefItem& item : items) {
        out += u'\n' + Indent(level + 1) + QStringLiteral("item\n");
        AppendProperties(out, item.properties, level + 2);
        out += Indent(level + 1) + QStringLiteral("end");
    }
    return out + u'>';
}

QString FormatValue(const TDefValue& value, int level) {
    switch (value.kind()) {
    case TDefValue::Kind::Null: throw EWriteError(QStringLiteral("An empty value cannot be written"));
    case TDefValue::Kind::Integer: return QString::number(value.integer());
    case TDefValue::Kind::Float: return FormatFloat(value.real());
    case TDefValue::Kind::String: return FormatString(value.text(), level);
    case TDefValue::Kind::Ident: return value.text();
    case TDefValue::Kind::Set: return u'[' + value.names().join(QStringLiteral(", ")) + u']';
    case TDefValue::Kind::List: return FormatList(value.list(), level);
    case TDefValue::Kind::Collection: return FormatCollection(value.items(), level);
    case TDefValue::Kind::Binary: return FormatBinary(value.bytes(), level);
    }
    return QString();
}

void AppendObject(QString& out, const TDefObject& object, int level) {
    out += Indent(level) + QStringLiteral("object ");
    if (!object.name.isEmpty()) out += object.name + QStringLiteral(": ");
    out += object.className + u'\n';
    AppendProperties(out, object.properties, level + 1);
    for (const TDefObject& child : object.children) AppendObject(out, child, level + 1);
    out += Indent(level) + QStringLiteral("end\n");
}

} // namespace

QString FormatDefinition(const TDefObject& root) {
    QString out;
    AppendObject(out, root, 0);
    return out;
}
