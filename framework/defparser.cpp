// The text syntax of window definitions -> TDefObject trees.
#include "framework/streaming.h"

namespace {

enum class TokenKind { End, Ident, String, Integer, Float, Symbol };

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;      // identifier, string value, or the symbol
    qint64 integer = 0;
    double real = 0;
    int line = 1;
};

QString Describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return QStringLiteral("the end of the text");
    case TokenKind::Ident: return QStringLiteral("'%1'").arg(token.text);
    case TokenKind::String: return QStringLiteral("a string");
    case TokenKind::Integer: return QStringLiteral("the number %1").arg(token.integer);
    case TokenKind::Float: return QStringLiteral("the number %1").arg(token.real);
    case TokenKind::Symbol: return QStringLiteral("'%1'").arg(token.text);
    }
    return QString();
}

bool IsIdentStart(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(QChar c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// Splits the text into tokens on demand; one token of look-ahead.
class Lexer {
public:
    explicit Lexer(const QString& text) : mText(text) { Advance(); }

    const Token& Current() const { return mCurrent; }

    Token Take() {
        Token token = mCurrent;
        Advance();
        return token;
    }

    // The bytes of `{ ... }`, read raw (the current token is the '{').
    QByteArray TakeBinary() {
        QByteArray hex;
        while (mPos < mText.size() && mText[mPos] != u'}') {
            const QChar c = mText[mPos];
            if (c == u'\n') ++mLine;
            if (IsHexDigit(c)) hex.append(char(c.unicode()));
            else if (!c.isSpace()) Fail(QStringLiteral("'%1' in binary data").arg(c));
            ++mPos;
        }
        if (mPos >= mText.size()) Fail(QStringLiteral("binary data without its closing '}'"));
        ++mPos;
        if (hex.size() % 2 != 0) Fail(QStringLiteral("binary data with an odd number of hex digits"));
        Advance();
        return QByteArray::fromHex(hex);
    }

    [[noreturn]] void Fail(const QString& what) const {
        throw EParserError(QStringLiteral("Syntax error at line %1: %2").arg(mLine).arg(what), mLine);
    }

private:
    void SkipSpace() {
        while (mPos < mText.size() && mText[mPos].isSpace()) {
            if (mText[mPos] == u'\n') ++mLine;
            ++mPos;
        }
    }

    void Advance() {
        SkipSpace();
        mCurrent = Token();
        mCurrent.line = mLine;
        if (mPos >= mText.size()) return;
        const QChar c = mText[mPos];
        if (IsIdentStart(c)) return ReadIdent();
        if (c == u'\'' || c == u'#') return ReadString();
        if (IsDigit(c) || c == u'$' ||
            ((c == u'-' || c == u'+') && mPos + 1 < mText.size() && (IsDigit(mText[mPos + 1]) || mText[mPos + 1] == u'$')))
            return ReadNumber();
        static const QString symbols = QStringLiteral("=:[](){}<>,+");
        if (symbols.contains(c)) {
            mCurrent.kind = TokenKind::Symbol;
            mCurrent.text = c;
            ++mPos;
            return;
        }
        Fail(QStringLiteral("unexpected character '%1'").arg(c));
    }

    // Letters, digits, '_' and dots between them (Font.Style, Form1.Query1).
    void ReadIdent() {
        const qsizetype start = mPos;
        while (mPos < mText.size()) {
            const QChar c = mText[mPos];
            if (IsIdentStart(c) || IsDigit(c)) {
                ++mPos;
            } else if (c == u'.' && mPos + 1 < mText.size() && IsIdentStart(mText[mPos + 1])) {
                ++mPos;
            } else {
                break;
            }
        }
        mCurrent.kind = TokenKind::Ident;
        mCurrent.text = mText.mid(start, mPos - start);
    }

    // Quoted parts and #nnn codes written next to each other form one string.
    void ReadString() {
        QString value;
        while (mPos < mText.size()) {
            if (mText[mPos] == u'\'') ReadQuoted(value);
            else if (mText[mPos] == u'#') ReadCharCode(value);
            else break;
        }
        mCurrent.kind = TokenKind::String;
        mCurrent.text = value;
    }

    void ReadQuoted(QString& value) {
        ++mPos;
        for (;;) {
            if (mPos >= mText.size() || mText[mPos] == u'\n' || mText[mPos] == u'\r') {
                Fail(QStringLiteral("string without its closing quote"));
            }
            if (mText[mPos] == u'\'') {
                if (mPos + 1 < mText.size() && mText[mPos + 1] == u'\'') {
                    value += u'\'';
                    mPos += 2;
                    continue;
                }
                ++mPos;
                return;
            }
            value += mText[mPos++];
        }
    }

    void ReadCharCode(QString& value) {
        ++mPos;
        const bool hex = mPos < mText.size() && mText[mPos] == u'$';
        if (hex) ++mPos;
        const qsizetype start = mPos;
        while (mPos < mText.size() && (hex ? IsHexDigit(mText[mPos]) : IsDigit(mText[mPos]))) ++mPos;
        bool ok = false;
        const uint code = mText.mid(start, mPos - start).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code > 0x10FFFF) Fail(QStringLiteral("bad character code after '#'"));
        const char32_t ucs4 = code;
        value += QString::fromUcs4(&ucs4, 1);
    }

    void ReadNumber() {
        const qsizetype start = mPos;
        if (mText[mPos] == u'-' || mText[mPos] == u'+') ++mPos;
        if (mText[mPos] == u'$') return ReadHex(start);
        bool isFloat = false;
        while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
        if (mPos + 1 < mText.size() && mText[mPos] == u'.' && IsDigit(mText[mPos + 1])) {
            isFloat = true;
            ++mPos;
            while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
        }
        if (mPos < mText.size() && (mText[mPos] == u'e' || mText[mPos] == u'E')) {
            qsizetype p = mPos + 1;
            if (p < mText.size() && (mText[p] == u'-' || mText[p] == u'+')) ++p;
            if (p < mText.size() && IsDigit(mText[p])) {
                isFloat = true;
                mPos = p;
                while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
            }
        }
        if (mPos < mText.size() && (IsIdentStart(mText[mPos]) || mText[mPos] == u'.')) {
            Fail(QStringLiteral("malformed number '%1'").arg(mText.mid(start, mPos - start + 1)));
        }
        const QString text = mText.mid(start, mPos - start);
        bool ok = false;
        if (isFloat) {
            mCurrent.kind = TokenKind::Float;
            mCurrent.real = text.toDouble(&ok);
        } else {
            mCurrent.kind = TokenKind::Integer;
            mCurrent.integer = text.toLongLong(&ok);
        }
        if (!ok) Fail(QStringLiteral("number out of range '%1'").arg(text));
    }

    void ReadHex(qsizetype start) {
        const bool negative = mText[start] == u'-';
        ++mPos;
        const qsizetype digits = mPos;
        while (mPos < mText.size() && IsHexDigit(mText[mPos])) ++mPos;
        bool ok = false;
        const quint64 value = mText.mid(digits, mPos - digits).toULongLong(&ok, 16);
        if (!ok || mPos - digits > 16) Fail(QStringLiteral("bad hexadecimal number"));
        mCurrent.kind = TokenKind::Integer;
        mCurrent.integer = negative ? -qint64(value) : qint64(value);
    }

    const QString& mText;
    qsizetype mPos = 0;
    int mLine = 1;
    Token mCurrent;
};

// Nesting deeper than any real definition is refused rather than allowed
// to exhaust the stack.
constexpr int kMaxNesting = 200;

class Parser {
public:
    explicit Parser(const QString& text) : mLexer(text) {}

    TDefObject Parse() {
        TDefObject root = ParseObject();
        if (mLexer.Current().kind != TokenKind::End) Unexpected(QStringLiteral("the end of the text"));
        return root;
    }

private:
    bool AtKeyword(const char* keyword) const {
        const Token& t = mLexer.Current();
        return t.kind == TokenKind::Ident && t.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    bool AtSymbol(char symbol) const {
        const Token& t = mLexer.Current();
        return t.kind == TokenKind::Symbol && t.text == QChar(symbol);
    }
    [[noreturn]] void Unexpected(const QString& expected) const {
        mLexer.Fail(QStringLiteral("expected %1, found %2").arg(expected, Describe(mLexer.Current())));
    }
    void ExpectSymbol(char symbol) {
        if (!AtSymbol(symbol)) Unexpected(QStringLiteral("'%1'").arg(QChar(symbol)));
        mLexer.Take();
    }
    QString ExpectIdent(const QString& what) {
        if (mLexer.Current().kind != TokenKind::Ident) Unexpected(what);
        return mLexer.Take().text;
    }

    // Counts one level of nesting for the scope of the object.
    class Nesting {
    public:
        explicit Nesting(Parser& parser) : mParser(parser) {
            if (++mParser.mDepth > kMaxNesting) mParser.mLexer.Fail(QStringLiteral("nesting deeper than %1 levels").arg(kMaxNesting));
        }
        ~Nesting() { --mParser.mDepth; }

    private:
        Parser& mParser;
    };

    TDefObject ParseObject() {
        Nesting nesting(*this);
        if (AtKeyword("inherited") || AtKeyword("inline")) {
            mLexer.Fail(QStringLiteral("'%1' objects are not supported").arg(mLexer.Current().text));
        }
        if (!AtKeyword("object")) Unexpected(QStringLiteral("'object'"));
        TDefObject object;
        object.line = mLexer.Take().line;
        QString first = ExpectIdent(QStringLiteral("an object name"));
        if (AtSymbol(':')) {
            mLexer.Take();
            object.name = first;
            object.className = ExpectIdent(QStringLiteral("a class name"));
        } else {
            object.className = first;
        }
        while (!AtKeyword("end")) {
            if (mLexer.Current().kind == TokenKind::End) Unexpected(QStringLiteral("'end'"));
            if (AtKeyword("object") || AtKeyword("inherited") || AtKeyword("inline")) {
                object.children.push_back(ParseObject());
            } else {
                object.properties.push_back(ParseProperty());
            }
        }
        mLexer.Take();
        return object;
    }

    TDefProperty ParseProperty() {
        TDefProperty property;
        property.line = mLexer.Current().line;
        property.name = ExpectIdent(QStringLiteral("a property name"));
        ExpectSymbol('=');
        property.value = ParseValue();
        return property;
    }

    TDefValue ParseValue() {
        Nesting nesting(*this);
        const Token& t = mLexer.Current();
        switch (t.kind) {
        case TokenKind::Integer: return TDefValue::Integer(mLexer.Take().integer);
        case TokenKind::Float: return TDefValue::Float(mLexer.Take().real);
        case TokenKind::String: return ParseString();
        case TokenKind::Ident: return TDefValue::Ident(mLexer.Take().text);
        case TokenKind::Symbol:
            if (AtSymbol('[')) return ParseSet();
            if (AtSymbol('(')) return ParseList();
            if (AtSymbol('<')) return ParseCollection();
            if (AtSymbol('{')) return TDefValue::Binary(mLexer.TakeBinary());
            break;
        case TokenKind::End: break;
        }
        Unexpected(QStringLiteral("a value"));
    }

    // 'part one' + 'part two' (the writer breaks long strings so).
    TDefValue ParseString() {
        QString value = mLexer.Take().text;
        while (AtSymbol('+')) {
            mLexer.Take();
            if (mLexer.Current().kind != TokenKind::String) Unexpected(QStringLiteral("a string after '+'"));
            value += mLexer.Take().text;
        }
        return TDefValue::String(value);
    }

    TDefValue ParseSet() {
        mLexer.Take();
        QStringList names;
        if (!AtSymbol(']')) {
            names.append(ExpectIdent(QStringLiteral("a set element")));
            while (AtSymbol(',')) {
                mLexer.Take();
                names.append(ExpectIdent(QStringLiteral("a set element")));
            }
        }
        ExpectSymbol(']');
        return TDefValue::Set(names);
    }

    TDefValue ParseList() {
        mLexer.Take();
        std::vector<TDefValue> values;
        while (!AtSymbol(')')) values.push_back(ParseValue());
        mLexer.Take();
        return TDefValue::List(std::move(values));
    }

    TDefValue ParseCollection() {
        mLexer.Take();
        std::vector<TDefItem> items;
        while (!AtSymbol('>')) {
            if (!AtKeyword("item")) Unexpected(QStringLiteral("'item' or '>'"));
            TDefItem item;
            item.line = mLexer.Take().line;
            while (!AtKeyword("end")) {
                if (mLexer.Current().kind == TokenKind::End) Unexpected(QStringLiteral("'end'"));
                item.properties.push_back(ParseProperty());
            }
            mLexer.Take();
            items.push_back(std::move(item));
        }
        mLexer.Take();
        return TDefValue::Collection(std::move(items));
    }

    Lexer mLexer;
    int mDepth = 0;
};

} // namespace

TDefObject ParseDefinition(const QString& text) { return Parser(text).Parse(); }
