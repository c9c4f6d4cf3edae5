// Field objects: one per column (or calculated value) of a dataset, reading
// and writing the active record's value through the dataset's GetFieldData /
// PutFieldData in the native format of its type (fieldtypes.h), and
// converting it to and from text, numbers, dates, variants.
//
// A field belongs to the dataset's Fields list while its DataSet is set.
// Default fields are made by the dataset from its field definitions at open
// (owned by the dataset); persistent fields are declared in a window
// definition inside their dataset's object (owned by the form) and bound to
// the definitions by name at open. FieldNo() > 0 for a bound data field,
// <= 0 for calculated and lookup fields, whose values live in the
// calculated area at Offset(); a blob field's Offset() is its index among
// the dataset's blob fields.
//
// Conversions a field type does not offer raise EDatabaseError "Cannot
// access field 'X' as type Y"; text that does not convert raises
// EConvertError; a value outside a numeric field's range raises ERangeError
// "V is not a valid value for field 'X'. The allowed range is A to B".
#pragma once

#include "framework/bcd.h"
#include "framework/currency.h"
#include "framework/dataset.h"
#include "framework/datetime.h"
#include "framework/fieldtypes.h"
#include "framework/variant.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

class TField;

using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, QString& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const QString& Text)>;

class TField : public TComponent {
    VARNEL_DECLARE_CLASS(TField, TComponent)

public:
    explicit TField(TComponent* owner);
    ~TField() override;  // leaves its dataset's Fields

    // --- identity -----------------------------------------------------------
    TDataSet* DataSet() const { return mDataSet; }
    // Joins `dataSet`'s Fields (leaving the previous one); refused while
    // either dataset is open.
    void SetDataSet(TDataSet* dataSet);
    const QString& FieldName() const { return mFieldName; }
    void SetFieldName(const QString& name);
    const QString& DisplayLabel() const { return mDisplayLabel; }
    void SetDisplayLabel(const QString& label) { mDisplayLabel = label; }
    // DisplayLabel, or FieldName when it is empty.
    QString DisplayName() const;
    TFieldType DataType() const { return mDataType; }
    int Size() const { return mSize; }
    void SetSize(int size);
    // Bytes of the native value (fieldtypes.h NativeDataSize).
    virtual int DataSize() const;
    int FieldNo() const { return mFieldNo; }
    int Offset() const { return mOffset; }
    // Position in the dataset's Fields, -1 without a dataset.
    int Index() const;
    TFieldKind FieldKind() const { return mFieldKind; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return mFieldKind == fkCalculated; }
    void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
    bool Lookup() const { return mFieldKind == fkLookup; }
    virtual bool IsBlob() const { return false; }

    bool ReadOnly() const { return mReadOnly; }
    void SetReadOnly(bool value) { mReadOnly = value; }
    bool Required() const { return mRequired; }
    void SetRequired(bool value) { mRequired = value; }
    bool Visible() const { return mVisible; }
    void SetVisible(bool value) { mVisible = value; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { mDisplayWidth = width; }
    // Text the data-access layer turns into the value of a new record.
    const QString& DefaultExpression() const { return mDefaultExpression; }
    void SetDefaultExpression(const QString& text) { mDefaultExpression = text; }

    // Lookup fields: the value of LookupResultField of the record of
    // LookupDataSet whose LookupKeyFields equal this dataset's KeyFields.
    const QString& KeyFields() const { return mKeyFields; }
    void SetKeyFields(const QString& names) { mKeyFields = names; }
    TDataSet* LookupDataSet() const { return mLookupDataSet; }
    void SetLookupDataSet(TDataSet* dataSet);
    const QString& LookupKeyFields() const { return mLookupKeyFields; }
    void SetLookupKeyFields(const QString& names) { mLookupKeyFields = names; }
    const QString& LookupResultField() const { return mLookupResultField; }
    void SetLookupResultField(const QString& name) { mLookupResultField = name; }

    // --- value --------------------------------------------------------------
    bool IsNull() const;
    void Clear() { SetData(nullptr); }
    virtual QString AsString() const;
    virtual void SetAsString(const QString& value);
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t value);
    virtual int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(int64_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual Currency AsCurrency() const;
    virtual void SetAsCurrency(Currency value);
    virtual TBcd AsBCD() const;
    virtual void SetAsBCD(const TBcd& value);
    virtual QByteArray AsBytes() const;
    virtual void SetAsBytes(const QByteArray& value);
    // Null for a null value; else the value in the type's variant kind.
    virtual Variant AsVariant() const;
    // Null or empty clears the field; other kinds convert.
    virtual void SetAsVariant(const Variant& value);
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // The value before the edit began, and the value being entered.
    Variant OldValue() const;
    Variant NewValue() const;

    // Text for showing (DisplayFormat) and for editing (EditFormat); both go
    // through OnGetText when set. SetText goes through OnSetText.
    QString DisplayText() const;
    QString Text() const;
    void SetText(const QString& text);

    // --- native access --------------------------------------------------------
    // The native value of the active record into `buffer` (DataSize bytes);
    // false when null. `buffer` nullptr: the null test only.
    bool GetData(void* buffer) const;
    // Writes the native value (nullptr: null) through the dataset.
    void SetData(const void* buffer);
    // Runs OnValidate for a value about to be written (the dataset calls it
    // before storing); the handler may raise to refuse it.
    virtual void Validate(const void* buffer);
    // The value and, for a field of another kind, the conversion: copies a
    // field's value (null stays null).
    void Assign(const TPersistent* source) override;
    bool CanModify() const;
    // Called by the dataset after this field's value changed: OnChange.
    void Change();

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Window definitions nest a persistent field inside its dataset.
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    void SetDataType(TFieldType type) { mDataType = type; }
    // The text forms; the default is AsString.
    virtual QString GetText(bool displayText) const;
    [[noreturn]] void AccessError(const QString& typeName) const;
    void Notification(TComponent* component, TOperation operation) override;
    void CheckInactive() const;
    // Native value helpers over GetData/SetData.
    template <class T>
    bool ReadNative(T& value) const { return GetData(&value); }
    template <class T>
    void WriteNative(const T& value) { SetData(&value); }
    // Raw native buffer of DataSize bytes; empty when null.
    QByteArray ReadBuffer() const;

private:
    friend class TDataSet;
    friend class TFields;
    void CalculateLookupValue();
    // The value as the dataset shows it in `state` (old or new values).
    Variant ValueInState(TDataSetState state) const;

    TDataSet* mDataSet = nullptr;
    QString mFieldName;
    QString mDisplayLabel;
    TFieldType mDataType = ftUnknown;
    int mSize = 0;
    int mFieldNo = 0;
    int mOffset = 0;
    TFieldKind mFieldKind = fkData;
    bool mReadOnly = false;
    bool mRequired = false;
    bool mVisible = true;
    int mDisplayWidth = 0;
    QString mDefaultExpression;
    QString mKeyFields;
    TDataSet* mLookupDataSet = nullptr;
    // While OnValidate runs, reads of this field see the value being
    // written.
    bool mValidating = false;
    const void* mValidatingValue = nullptr;
    QString mLookupKeyFields;
    QString mLookupResultField;
};

// The dataset's ordered list of field objects (it does not own them; the
// dataset destroys its default fields itself).
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : mDataSet(dataSet) {}
    TDataSet* DataSet() const { return mDataSet; }
    int Count() const { return int(mFields.size()); }
    TField* Fields(int index) const;              // EListError when out of range
    TField* operator[](int index) const { return Fields(index); }
    TField* FindField(const QString& name) const; // case-insensitive, nullptr when none
    TField* FieldByName(const QString& name) const;
    TField* FieldByNumber(int fieldNo) const;     // nullptr when none
    int IndexOf(const TField* field) const;
    void Add(TField* field);
    void Remove(TField* field);
    void Clear() { mFields.clear(); }
    auto begin() const { return mFields.begin(); }
    auto end() const { return mFields.end(); }

private:
    TDataSet* mDataSet;
    std::vector<TField*> mFields;
};

// ---------------------------------------------------------------------------
// Text fields.

// 8-bit text in the system code page, Size characters, zero-terminated in
// the buffer. A longer text is cut to Size characters, as the column holds.
class TStringField : public TField {
    VARNEL_DECLARE_CLASS(TStringField, TField)

public:
    explicit TStringField(TComponent* owner);
    bool FixedChar() const { return mFixedChar; }
    void SetFixedChar(bool value);
    bool Transliterate() const { return mTransliterate; }
    void SetTransliterate(bool value) { mTransliterate = value; }

    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsString(QString::number(value)); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override { SetAsString(QString::number(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    Variant AsVariant() const override;

protected:
    // The 8-bit value as stored (nullptr-safe: empty when null).
    virtual bool ReadText(QString& text) const;
    virtual void WriteText(const QString& text);

private:
    bool mFixedChar = false;
    bool mTransliterate = true;
};

// UTF-16 text, Size characters, zero-terminated in the buffer.
class TWideStringField : public TStringField {
    VARNEL_DECLARE_CLASS(TWideStringField, TStringField)

public:
    explicit TWideStringField(TComponent* owner);
    Variant AsVariant() const override;

protected:
    bool ReadText(QString& text) const override;
    void WriteText(const QString& text) override;
};

// A GUID as its 38-character text "{xxxxxxxx-...}".
class TGuidField : public TStringField {
    VARNEL_DECLARE_CLASS(TGuidField, TStringField)

public:
    explicit TGuidField(TComponent* owner);
    void SetAsString(const QString& value) override;
};

// ---------------------------------------------------------------------------
// Numbers.

class TNumericField : public TField {
    VARNEL_DECLARE_CLASS(TNumericField, TField)

public:
    explicit TNumericField(TComponent* owner);
    // Masks of FormatFloat ("###.##"); empty: the plain text form.
    const QString& DisplayFormat() const { return mDisplayFormat; }
    void SetDisplayFormat(const QString& format) { mDisplayFormat = format; }
    const QString& EditFormat() const { return mEditFormat; }
    void SetEditFormat(const QString& format) { mEditFormat = format; }

protected:
    QString FormatNumber(double value, bool displayText) const;

private:
    QString mDisplayFormat;
    QString mEditFormat;
};

// Integer fields held in 16, 32 or 64 bits, with an optional range
// (MinValue = MaxValue = 0: the range of the native width).
class TIntegerField : public TNumericField {
    VARNEL_DECLARE_CLASS(TIntegerField, TNumericField)

public:
    explicit TIntegerField(TComponent* owner);
    int64_t MinValue() const { return mMinValue; }
    void SetMinValue(int64_t value) { mMinValue = value; }
    int64_t MaxValue() const { return mMaxValue; }
    void SetMaxValue(int64_t value) { mMaxValue = value; }

    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override { return AsLargeInt() != 0; }
    void SetAsBoolean(bool value) override { SetAsLargeInt(value ? 1 : 0); }
    Currency AsCurrency() const override { return Currency::FromInt(AsLargeInt()); }
    TBcd AsBCD() const override { return Int64ToBcd(AsLargeInt()); }
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;
    // Native width of the value in bytes (2, 4 or 8) and signedness.
    virtual int NativeWidth() const { return 4; }
    virtual bool NativeSigned() const { return true; }
    bool ReadValue(int64_t& value) const;
    void CheckRange(int64_t value) const;

private:
    int64_t mMinValue = 0;
    int64_t mMaxValue = 0;
};

class TSmallintField : public TIntegerField {
    VARNEL_DECLARE_CLASS(TSmallintField, TIntegerField)

public:
    explicit TSmallintField(TComponent* owner);

protected:
    int NativeWidth() const override { return 2; }
};

class TWordField : public TIntegerField {
    VARNEL_DECLARE_CLASS(TWordField, TIntegerField)

public:
    explicit TWordField(TComponent* owner);

protected:
    int NativeWidth() const override { return 2; }
    bool NativeSigned() const override { return false; }
};

class TAutoIncField : public TIntegerField {
    VARNEL_DECLARE_CLASS(TAutoIncField, TIntegerField)

public:
    explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TIntegerField {
    VARNEL_DECLARE_CLASS(TLargeintField, TIntegerField)

public:
    explicit TLargeintField(TComponent* owner);

protected:
    int NativeWidth() const override { return 8; }
};

// A 64-bit double. Currency shows it as money (DisplayText with the
// currency format); Precision is the significant digits of the text form.
class TFloatField : public TNumericField {
    VARNEL_DECLARE_CLASS(TFloatField, TNumericField)

public:
    explicit TFloatField(TComponent* owner);
    bool IsCurrency() const { return mCurrency; }
    void SetCurrency(bool value) { mCurrency = value; }
    int Precision() const { return mPrecision; }
    void SetPrecision(int value);
    double MinValue() const { return mMinValue; }
    void SetMinValue(double value) { mMinValue = value; }
    double MaxValue() const { return mMaxValue; }
    void SetMaxValue(double value) { mMaxValue = value; }

    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsFloat(value); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override { SetAsFloat(double(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    Currency AsCurrency() const override { return Currency::FromDouble(AsFloat()); }
    void SetAsCurrency(Currency value) override { SetAsFloat(value.ToDouble()); }
    TBcd AsBCD() const override { return DoubleToBcd(AsFloat()); }
    void SetAsBCD(const TBcd& value) override { SetAsFloat(BcdToDouble(value)); }
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;

private:
    bool mCurrency = false;
    int mPrecision = 15;
    double mMinValue = 0;
    double mMaxValue = 0;
};

class TCurrencyField : public TFloatField {
    VARNEL_DECLARE_CLASS(TCurrencyField, TFloatField)

public:
    explicit TCurrencyField(TComponent* owner);
};

// The 34-byte BCD record; Size is the number of decimals, Precision the
// number of digits (0: 32). Currency shows the value as money.
class TBCDField : public TNumericField {
    VARNEL_DECLARE_CLASS(TBCDField, TNumericField)

public:
    explicit TBCDField(TComponent* owner);
    bool IsCurrency() const { return mCurrency; }
    void SetCurrency(bool value) { mCurrency = value; }
    int Precision() const { return mPrecision; }
    void SetPrecision(int value);
    int DataSize() const override { return int(sizeof(TBcd)); }

    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsBCD(IntegerToBcd(value)); }
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override { SetAsBCD(Int64ToBcd(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override { SetAsBCD(DoubleToBcd(value)); }
    Currency AsCurrency() const override;
    void SetAsCurrency(Currency value) override { SetAsBCD(CurrencyToBcd(value)); }
    TBcd AsBCD() const override;
    void SetAsBCD(const TBcd& value) override;
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;

private:
    bool mCurrency = false;
    int mPrecision = 0;
};

class TFMTBCDField : public TBCDField {
    VARNEL_DECLARE_CLASS(TFMTBCDField, TBCDField)

public:
    explicit TFMTBCDField(TComponent* owner);
    Variant AsVariant() const override;
};

// 16-bit 0 / -1. DisplayValues "yes;no" names the two texts (default
// "True;False"); SetAsString accepts either text or its first letters.
class TBooleanField : public TField {
    VARNEL_DECLARE_CLASS(TBooleanField, TField)

public:
    explicit TBooleanField(TComponent* owner);
    const QString& DisplayValues() const { return mDisplayValues; }
    void SetDisplayValues(const QString& values);

    QString AsString() const override;
    void SetAsString(const QString& value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    int32_t AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(int32_t value) override { SetAsBoolean(value != 0); }
    Variant AsVariant() const override;

private:
    QString mDisplayValues = QStringLiteral("True;False");
    QString mTrueText = QStringLiteral("True");
    QString mFalseText = QStringLiteral("False");
};

// ---------------------------------------------------------------------------
// Dates and times. Native values: ftDate a 32-bit day number, ftTime 32-bit
// milliseconds, ftDateTime/ftTimeStamp a double day number * 86400000 +
// milliseconds. DisplayFormat uses FormatDateTime patterns; empty: the
// short date (and long time) forms.

class TDateTimeField : public TField {
    VARNEL_DECLARE_CLASS(TDateTimeField, TField)

public:
    explicit TDateTimeField(TComponent* owner);
    const QString& DisplayFormat() const { return mDisplayFormat; }
    void SetDisplayFormat(const QString& format) { mDisplayFormat = format; }

    QString AsString() const override { return GetText(false); }
    void SetAsString(const QString& value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;
    // The default text form of a value of this kind.
    virtual QString DefaultText(TDateTime value) const;
    virtual TDateTime ParseText(const QString& text) const;

private:
    QString mDisplayFormat;
};

class TDateField : public TDateTimeField {
    VARNEL_DECLARE_CLASS(TDateField, TDateTimeField)

public:
    explicit TDateField(TComponent* owner);

protected:
    QString DefaultText(TDateTime value) const override { return DateToStr(value); }
    TDateTime ParseText(const QString& text) const override { return StrToDate(text); }
};

class TTimeField : public TDateTimeField {
    VARNEL_DECLARE_CLASS(TTimeField, TDateTimeField)

public:
    explicit TTimeField(TComponent* owner);

protected:
    QString DefaultText(TDateTime value) const override { return TimeToStr(value); }
    TDateTime ParseText(const QString& text) const override { return StrToTime(text); }
};

class TSQLTimeStampField : public TDateTimeField {
    VARNEL_DECLARE_CLASS(TSQLTimeStampField, TDateTimeField)

public:
    explicit TSQLTimeStampField(TComponent* owner);
};

// ---------------------------------------------------------------------------
// Bytes and blobs.

// ftBytes: Size raw bytes. ftVarBytes: 16-bit length, then up to Size bytes.
class TBytesField : public TField {
    VARNEL_DECLARE_CLASS(TBytesField, TField)

public:
    explicit TBytesField(TComponent* owner);
    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    Variant AsVariant() const override;
};

class TVarBytesField : public TBytesField {
    VARNEL_DECLARE_CLASS(TVarBytesField, TBytesField)

public:
    explicit TVarBytesField(TComponent* owner);
    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
};

// Content read and written only through the dataset's CreateBlobStream.
// Modified is set when a stream that wrote is destroyed (by the stream).
class TBlobField : public TField {
    VARNEL_DECLARE_CLASS(TBlobField, TField)

public:
    explicit TBlobField(TComponent* owner);
    bool IsBlob() const override { return true; }
    int DataSize() const override { return 0; }
    TFieldType BlobType() const { return DataType(); }
    void SetBlobType(TFieldType type);
    bool Modified() const { return mModified; }
    void SetModified(bool value) { mModified = value; }
    int64_t BlobSize() const;

    QByteArray AsBytes() const override;
    void SetAsBytes(const QByteArray& value) override;
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    Variant AsVariant() const override;
    void SetAsVariant(const Variant& value) override;

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

protected:
    QString GetText(bool displayText) const override;

private:
    bool mModified = false;
};

class TMemoField : public TBlobField {
    VARNEL_DECLARE_CLASS(TMemoField, TBlobField)

public:
    explicit TMemoField(TComponent* owner);
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;
};

class TWideMemoField : public TBlobField {
    VARNEL_DECLARE_CLASS(TWideMemoField, TBlobField)

public:
    explicit TWideMemoField(TComponent* owner);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    Variant AsVariant() const override;

protected:
    QString GetText(bool displayText) const override;
};

class TGraphicField : public TBlobField {
    VARNEL_DECLARE_CLASS(TGraphicField, TBlobField)

public:
    explicit TGraphicField(TComponent* owner);
};

// The field class the framework makes for a field of `type` by default
// (nullptr for types without one).
TFieldClass DefaultFieldClass(TFieldType type);
