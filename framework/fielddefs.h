// Field definitions and index definitions of a dataset: the collections a
// dataset fills from its cursor (or from a window definition) and that
// outlive closing.
//
// Invariants: names compare without regard to case; Find raises
// EDatabaseError for an unknown name, IndexOf/FindDef return -1/nullptr.
// Every change (add, delete, clear, a property of an item) fires OnChange
// once (once per update bracket). "Updated" says whether the definitions
// are up to date with their source; Update() asks the owner to refresh them
// (OnUpdate) when they are not. Changing items does not clear Updated: the
// owner marks them out of date when its source changes.
#pragma once

#include "framework/classes.h"
#include "framework/dberror.h"
#include "framework/fieldtypes.h"
#include "framework/tset.h"
#include "framework/typinfo.h"

#include <functional>

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TSet<TFieldAttribute>;
VARNEL_ENUM_NAMES(TFieldAttribute, "faHiddenCol", "faReadonly", "faRequired", "faLink", "faUnNamed", "faFixed");

// The collection both definition kinds share: name lookup, the updated flag
// with its update request, and one change notice per change (or bracket).
class TDefCollection : public TCollection {
    VARNEL_DECLARE_CLASS(TDefCollection, TCollection)

public:
    TDefCollection(TMetaClass* itemClass, TPersistent* owner);

    // Position of the first item with that name (case ignored), -1 when none.
    int IndexOf(const QString& name) const;

    bool Updated() const { return mUpdated; }
    void SetUpdated(bool updated) { mUpdated = updated; }
    // Runs OnUpdate when not Updated; the handler refreshes the definitions
    // (Updated is set afterwards).
    void Update();

    std::function<void()> OnUpdate;
    TNotifyEvent OnChange;

    // Called by the items when one of their properties changed.
    void ItemChanged();

protected:
    virtual QString ItemName(int index) const = 0;
    void Update(TCollectionItem* item) override;

private:
    bool mUpdated = false;
};

class TFieldDefs;

class TFieldDef : public TCollectionItem {
    VARNEL_DECLARE_CLASS(TFieldDef, TCollectionItem)

public:
    explicit TFieldDef(TCollection* collection);

    const QString& Name() const { return mName; }
    void SetName(const QString& name);
    TFieldType DataType() const { return mDataType; }
    void SetDataType(TFieldType type);
    // Characters for text, bytes for byte types, decimals for BCD kinds, 1
    // for blobs (the dataset decides).
    int Size() const { return mSize; }
    void SetSize(int size);
    int Precision() const { return mPrecision; }
    void SetPrecision(int precision);
    TFieldAttributes Attributes() const { return mAttributes; }
    void SetAttributes(TFieldAttributes attributes);
    bool Required() const { return mAttributes.Contains(faRequired); }
    void SetRequired(bool required);
    bool InternalCalcField() const { return mInternalCalcField; }
    void SetInternalCalcField(bool value);
    // 1-based position in the collection unless set explicitly (> 0).
    int FieldNo() const;
    void SetFieldNo(int fieldNo) { mFieldNo = fieldNo; }

    TFieldDefs* Owner() const;
    void Assign(const TPersistent* source) override;

private:
    void Changed();

    QString mName;
    TFieldType mDataType = ftUnknown;
    int mSize = 0;
    int mPrecision = 0;
    TFieldAttributes mAttributes;
    bool mInternalCalcField = false;
    int mFieldNo = 0;
};

class TFieldDefs : public TDefCollection {
    VARNEL_DECLARE_CLASS(TFieldDefs, TDefCollection)

public:
    explicit TFieldDefs(TPersistent* owner = nullptr);

    TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
    TFieldDef* operator[](int index) const { return Items(index); }
    TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
    // A new definition with these values (Precision 0).
    TFieldDef* Add(const QString& name, TFieldType type, int size = 0, bool required = false);

    TFieldDef* FindDef(const QString& name) const; // nullptr when absent
    // EDatabaseError "Field 'name' not found" when absent.
    TFieldDef* Find(const QString& name) const;

protected:
    QString ItemName(int index) const override { return Items(index)->Name(); }
};

// ---------------------------------------------------------------------------

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TSet<TIndexOption>;
VARNEL_ENUM_NAMES(TIndexOption, "ixPrimary", "ixUnique", "ixDescending", "ixCaseInsensitive", "ixExpression",
                  "ixNonMaintained");

class TIndexDefs;

class TIndexDef : public TCollectionItem {
    VARNEL_DECLARE_CLASS(TIndexDef, TCollectionItem)

public:
    explicit TIndexDef(TCollection* collection);

    const QString& Name() const { return mName; }
    void SetName(const QString& name);
    // ";"-separated field names; empty for an expression index.
    const QString& Fields() const { return mFields; }
    void SetFields(const QString& fields);
    // The key expression of an ixExpression index (setting it clears Fields).
    const QString& Expression() const { return mExpression; }
    void SetExpression(const QString& expression);
    TIndexOptions Options() const { return mOptions; }
    void SetOptions(TIndexOptions options);
    const QString& Source() const { return mSource; }  // index file the index comes from
    void SetSource(const QString& source);
    const QString& DescFields() const { return mDescFields; }
    void SetDescFields(const QString& fields);
    const QString& CaseInsFields() const { return mCaseInsFields; }
    void SetCaseInsFields(const QString& fields);

    // Fields, or Expression for an expression index.
    QString FieldExpression() const { return mOptions.Contains(ixExpression) ? mExpression : mFields; }

    TIndexDefs* Owner() const;
    void Assign(const TPersistent* source) override;

private:
    void Changed();

    QString mName;
    QString mFields;
    QString mExpression;
    TIndexOptions mOptions;
    QString mSource;
    QString mDescFields;
    QString mCaseInsFields;
};

class TIndexDefs : public TDefCollection {
    VARNEL_DECLARE_CLASS(TIndexDefs, TDefCollection)

public:
    explicit TIndexDefs(TPersistent* owner = nullptr);

    TIndexDef* Items(int index) const { return static_cast<TIndexDef*>(TCollection::Items(index)); }
    TIndexDef* operator[](int index) const { return Items(index); }
    TIndexDef* AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }
    TIndexDef* Add(const QString& name, const QString& fields, TIndexOptions options);

    TIndexDef* FindDef(const QString& name) const;
    // EDatabaseError "Index 'name' not found" when absent.
    TIndexDef* Find(const QString& name) const;
    // The first index whose leading fields are `fields` (";"-separated, case
    // ignored; the primary index preferred) and whose ixCaseInsensitive
    // option equals `caseInsensitive`; nullptr when none.
    TIndexDef* GetIndexForFields(const QString& fields, bool caseInsensitive) const;
    // The same, case-sensitive indexes first, raising EDatabaseError
    // "No index for fields 'x'" when none.
    TIndexDef* FindIndexForFields(const QString& fields) const;

protected:
    QString ItemName(int index) const override { return Items(index)->Name(); }
};
