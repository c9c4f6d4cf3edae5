// The parsed form of a window definition: a tree of objects, each with its
// property assignments in the order written, and the values those hold.
// The parser produces it from text and the formatter turns it back into
// text; the reader and the writer translate between it and live components.
//
// Invariants: exactly one payload member is meaningful, the one that Kind()
// names; `line` is the 1-based line of the text the element started on (0 for
// trees built in memory).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct TDefItem;

class TDefValue {
public:
    enum class Kind {
        Null,        // nothing (a default-constructed value)
        Integer,     // 12, -11, $FF
        Float,       // 1.5, 2.0E3
        String,      // 'it''s' #39 'x'
        Ident,       // True, taCenter, BtnStartClick, Form1.Query1
        Set,         // [fsBold, fsItalic]
        List,        // ('a' 'b') - any values
        Collection,  // < item ... end >
        Binary,      // { 0A1B }
    };

    TDefValue() = default;
    static TDefValue Integer(qint64 value);
    static TDefValue Float(double value);
    static TDefValue String(const QString& value);
    static TDefValue Ident(const QString& value);
    static TDefValue Set(const QStringList& names);
    static TDefValue List(std::vector<TDefValue> values);
    static TDefValue Collection(std::vector<TDefItem> items);
    static TDefValue Binary(const QByteArray& bytes);

    Kind kind() const { return mKind; }
    bool isNull() const { return mKind == Kind::Null; }
    qint64 integer() const { return mInteger; }
    double real() const { return mReal; }
    const QString& text() const { return mText; }              // String and Ident
    const QStringList& names() const { return mNames; }        // Set
    const std::vector<TDefValue>& list() const { return mList; }
    const std::vector<TDefItem>& items() const { return mItems; }
    const QByteArray& bytes() const { return mBytes; }

    // "an integer", "a string", ... for error messages.
    QString KindName() const;
    static QString KindName(Kind kind);

    bool operator==(const TDefValue& other) const;

private:
    explicit TDefValue(Kind kind) : mKind(kind) {}

    Kind mKind = Kind::Null;
    qint64 mInteger = 0;
    double mReal = 0;
    QString mText;
    QStringList mNames;
    std::vector<TDefValue> mList;
    std::vector<TDefItem> mItems;
    QByteArray mBytes;
};

// `Name = value`; the name may be a dotted path (Font.Style).
struct TDefProperty {
    QString name;
    TDefValue value;
    int line = 0;

    bool operator==(const TDefProperty& other) const { return name == other.name && value == other.value; }
};

// One `item ... end` of a collection.
struct TDefItem {
    std::vector<TDefProperty> properties;
    int line = 0;

    bool operator==(const TDefItem& other) const { return properties == other.properties; }
};

// `object Name: TClass ... end`; children are the nested objects.
struct TDefObject {
    QString name;
    QString className;
    int line = 0;
    std::vector<TDefProperty> properties;
    std::vector<TDefObject> children;

    bool operator==(const TDefObject& other) const {
        return name == other.name && className == other.className && properties == other.properties &&
               children == other.children;
    }
};
