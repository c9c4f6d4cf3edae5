// Values of a parsed window definition.
#include "framework/defvalue.h"

TDefValue TDefValue::Integer(qint64 value) {
    TDefValue v(Kind::Integer);
    v.mInteger = value;
    return v;
}

TDefValue TDefValue::Float(double value) {
    TDefValue v(Kind::Float);
    v.mReal = value;
    return v;
}

TDefValue TDefValue::String(const QString& value) {
    TDefValue v(Kind::String);
    v.mText = value;
    return v;
}

TDefValue TDefValue::Ident(const QString& value) {
    TDefValue v(Kind::Ident);
    v.mText = value;
    return v;
}

TDefValue TDefValue::Set(const QStringList& names) {
    TDefValue v(Kind::Set);
    v.mNames = names;
    return v;
}

TDefValue TDefValue::List(std::vector<TDefValue> values) {
    TDefValue v(Kind::List);
    v.mList = std::move(values);
    return v;
}

TDefValue TDefValue::Collection(std::vector<TDefItem> items) {
    TDefValue v(Kind::Collection);
    v.mItems = std::move(items);
    return v;
}

TDefValue TDefValue::Binary(const QByteArray& bytes) {
    TDefValue v(Kind::Binary);
    v.mBytes = bytes;
    return v;
}

QString TDefValue::KindName() const { return KindName(mKind); }

QString TDefValue::KindName(Kind kind) {
    switch (kind) {
    case Kind::Null: return QStringLiteral("nothing");
    case Kind::Integer: return QStringLiteral("an integer");
    case Kind::Float: return QStringLiteral("a floating-point number");
    case Kind::String: return QStringLiteral("a string");
    case Kind::Ident: return QStringLiteral("an identifier");
    case Kind::Set: return QStringLiteral("a set");
    case Kind::List: return QStringLiteral("a list");
    case Kind::Collection: return QStringLiteral("a collection");
    case Kind::Binary: return QStringLiteral("binary data");
    }
    return QString();
}

bool TDefValue::operator==(const TDefValue& other) const {
    if (mKind != other.mKind) return false;
    switch (mKind) {
    case Kind::Null: return true;
    case Kind::Integer: return mInteger == other.mInteger;
    case Kind::Float: return mReal == other.mReal;
    case Kind::String: return mText == other.mText;
    case Kind::Ident: return mText.compare(other.mText, Qt::CaseInsensitive) == 0;
    case Kind::Set: return mNames == other.mNames;
    case Kind::List: return mList == other.mList;
    case Kind::Collection: return mItems == other.mItems;
    case Kind::Binary: return mBytes == other.mBytes;
    }
    return false;
}
