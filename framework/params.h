// Statement parameters: TParam (one ":name" of a statement text with its
// type and value) and TParams, their ordered collection (position 1 = the
// first item), with the scanner that derives the collection from a text.
//
// Typing: assigning a value through a typed setter gives the parameter that
// setter's type (AsString/AsWideString: ftWideString, unless the type is
// already ftFixedWideChar; AsInteger: ftInteger; AsFloat: ftFloat; ...).
// Assigning a variant through SetValue keeps the type, except that a
// parameter of type ftUnknown takes FieldTypeForVariant(value).
//
// Null and Bound: a new parameter is null and not bound; any assignment
// makes it bound (an empty variant leaves it unbound); a null or empty value
// makes it null again. Reads of a null parameter give 0, false, "" or an
// empty array.
//
// Window definitions: the collection is stored as "ParamData" (see
// DefineParamData), each item with DataType, Name and ParamType.
#pragma once

#include "framework/bcd.h"
#include "framework/classes.h"
#include "framework/dberror.h"
#include "framework/fieldtypes.h"
#include "framework/typinfo.h"
#include "framework/variant.h"

class TFiler;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
VARNEL_ENUM_NAMES(TParamType, "ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult");

class TParams;

class TParam : public TCollectionItem {
    VARNEL_DECLARE_CLASS(TParam, TCollectionItem)

public:
    explicit TParam(TCollection* collection);
    TParam(TParams* params, TParamType paramType);

    const QString& Name() const { return mName; }
    void SetName(const QString& name) { mName = name; }
    TFieldType DataType() const { return mDataType; }
    // Changing the type keeps the value; reads convert it to what they give.
    void SetDataType(TFieldType type);
    TParamType ParamType() const { return mParamType; }
    void SetParamType(TParamType type) { mParamType = type; }
    bool Bound() const { return mBound; }
    void SetBound(bool bound) { mBound = bound; }
    bool IsNull() const { return mValue.IsNullOrEmpty(); }
    int Size() const { return mSize; }
    void SetSize(int size) { mSize = size; }
    int Precision() const { return mPrecision; }
    void SetPrecision(int precision) { mPrecision = precision; }
    int NumericScale() const { return mNumericScale; }
    void SetNumericScale(int scale) { mNumericScale = scale; }

    // Makes the parameter null (type and Bound kept).
    void Clear();

    const Variant& Value() const { return mValue; }
    void SetValue(const Variant& value);

    // Typed reads (null gives the zero of the type).
    QString AsString() const;       // numbers and dates under the global format settings
    QString AsWideString() const { return AsString(); }
    QByteArray AsAnsiString() const; // AsString in the system code page
    int32_t AsInteger() const;
    int16_t AsSmallInt() const;
    uint16_t AsWord() const;
    int64_t AsLargeInt() const;
    double AsFloat() const;
    Currency AsCurrency() const;
    Currency AsBCD() const;
    TBcd AsFMTBCD() const;
    bool AsBoolean() const;
    TDateTime AsDate() const;
    TDateTime AsTime() const;
    TDateTime AsDateTime() const;
    QString AsMemo() const { return AsString(); }
    QByteArray AsBlob() const;      // bytes of a byte value, 8-bit text of a text value
    QByteArray AsBytes() const { return AsBlob(); }

    // Typed writes: each sets the value, the type named and Bound.
    void SetAsString(const QString& value);        // ftWideString (ftFixedWideChar kept)
    void SetAsWideString(const QString& value) { SetAsString(value); }
    void SetAsAnsiString(const QByteArray& value); // ftString
    void SetAsInteger(int32_t value);              // ftInteger
    void SetAsSmallInt(int16_t value);             // ftSmallint
    void SetAsWord(uint16_t value);                // ftWord
    void SetAsLargeInt(int64_t value);             // ftLargeint
    void SetAsFloat(double value);                 // ftFloat
    void SetAsCurrency(double value);              // ftCurrency
    void SetAsBCD(Currency value);                 // ftBCD
    void SetAsFMTBCD(const TBcd& value);           // ftFMTBcd
    void SetAsBoolean(bool value);                 // ftBoolean
    void SetAsDate(TDateTime value);               // ftDate (time dropped)
    void SetAsTime(TDateTime value);               // ftTime (date dropped)
    void SetAsDateTime(TDateTime value);           // ftDateTime
    void SetAsMemo(const QString& value);          // ftMemo
    void SetAsBlob(const QByteArray& value);       // ftBlob
    void SetAsBytes(const QByteArray& value);      // ftBytes

    // Value and type together, as a master field hands them over: a null
    // value clears; Bound becomes true.
    void AssignFieldValue(TFieldType type, const Variant& value);

    // The raw data image in the native format of DataType (fieldtypes.h), as
    // binders hand it on. Text: the characters and a terminator; ftBytes,
    // ftVarBytes and blobs: just the bytes; types without a native value:
    // empty. A null parameter gives an empty image.
    QByteArray DataImage() const;
    int GetDataSize() const { return int(DataImage().size()); }
    void GetData(void* buffer) const;

    // From another TParam: name, type, value, Bound, sizes; ParamType only
    // when this one has none.
    void Assign(const TPersistent* source) override;

private:
    void SetTypedValue(TFieldType type, const Variant& value);

    QString mName;
    TFieldType mDataType = ftUnknown;
    TParamType mParamType = ptUnknown;
    Variant mValue = Variant::Null();
    bool mBound = false;
    bool mHasBcd = false;   // mBcd holds the exact value of SetAsFMTBCD
    TBcd mBcd;
    int mSize = 0;
    int mPrecision = 0;
    int mNumericScale = 0;
};

class TParams : public TCollection {
    VARNEL_DECLARE_CLASS(TParams, TCollection)

public:
    explicit TParams(TPersistent* owner = nullptr);

    TParam* Items(int index) const { return static_cast<TParam*>(TCollection::Items(index)); }
    TParam* operator[](int index) const { return Items(index); }
    TParam* AddParam() { return static_cast<TParam*>(TCollection::Add()); }
    TParam* CreateParam(TFieldType type, const QString& name, TParamType paramType);

    // First parameter of that name, case ignored (nullptr / EDatabaseError
    // "Parameter 'name' not found").
    TParam* FindParam(const QString& name) const;
    TParam* ParamByName(const QString& name) const;
    // The parameters named in a ";"-separated list, in list order (raising
    // for an unknown name).
    std::vector<TParam*> GetParamList(const QString& names) const;
    // One value for one name, an array of values for several.
    Variant ParamValues(const QString& names) const;
    void SetParamValues(const QString& names, const Variant& values);

    // Each parameter of `source` gives its value and type (TParam::Assign) to
    // the parameter of this collection with its name and the same place
    // among the repeats of that name, which keeps the spelling of its own
    // name; names this collection lacks are ignored.
    void AssignValues(const TParams& source);
    // Same count and, position by position, same name, type and value.
    bool IsEqual(const TParams& other) const;

    // Scans `sql` for parameter markers and returns the text with each
    // marker replaced by "?". With `doCreate`, the collection is cleared and
    // gets one ptUnknown/ftUnknown parameter per marker, in order of
    // appearance, repeated names included. Rules, left to right:
    //  - "'", '"' and "`" open a quoted section that runs to the next
    //    identical character (or the end); nothing inside it is a marker;
    //  - "::" is two ordinary characters;
    //  - any other ":" starts a marker: followed by a quote character, the
    //    name is everything up to the matching quote (spaces allowed, quotes
    //    not part of it); otherwise it runs up to CR, LF, space, ")", ",",
    //    ";" or the end. A ":" that yields an empty name is an ordinary
    //    character;
    //  - comments are not special.
    QString ParseSQL(const QString& sql, bool doCreate);
    // The marker names of `sql`, in order, repeats included.
    static QStringList ScanParamNames(const QString& sql);

    // Declares the "ParamData" entry (or `name`) for this collection on the
    // filer of the owning component's DefineProperties; always written.
    void DefineParamData(TFiler& filer, const QString& name = QStringLiteral("ParamData"));
};
