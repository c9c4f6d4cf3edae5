// Field definitions and index definitions.
#include "framework/fielddefs.h"

VARNEL_PUBLISH(TFieldDef, c) {
    c.prop("Name", &TFieldDef::Name, &TFieldDef::SetName);
    c.prop("Attributes", &TFieldDef::Attributes, &TFieldDef::SetAttributes).def(TFieldAttributes{});
    c.prop("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType).def(ftUnknown);
    c.prop("Precision", &TFieldDef::Precision, &TFieldDef::SetPrecision).def(0);
    c.prop("Size", &TFieldDef::Size, &TFieldDef::SetSize).def(0);
}
VARNEL_DEFINE_CLASS(TDefCollection)
VARNEL_DEFINE_CLASS(TFieldDefs)

VARNEL_PUBLISH(TIndexDef, c) {
    c.prop("Name", &TIndexDef::Name, &TIndexDef::SetName);
    c.prop("Fields", &TIndexDef::Fields, &TIndexDef::SetFields);
    c.prop("Expression", &TIndexDef::Expression, &TIndexDef::SetExpression);
    c.prop("DescFields", &TIndexDef::DescFields, &TIndexDef::SetDescFields);
    c.prop("CaseInsFields", &TIndexDef::CaseInsFields, &TIndexDef::SetCaseInsFields);
    c.prop("Options", &TIndexDef::Options, &TIndexDef::SetOptions).def(TIndexOptions{});
    c.prop("Source", &TIndexDef::Source, &TIndexDef::SetSource);
}
VARNEL_DEFINE_CLASS(TIndexDefs)

namespace {

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QStringList SplitFields(const QString& fields) {
    QStringList names;
    for (const QString& part : fields.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) names << name;
    }
    return names;
}

}  // namespace

// --- TDefCollection ----------------------------------------------------------

TDefCollection::TDefCollection(TMetaClass* itemClass, TPersistent* owner) : TCollection(itemClass, owner) {}

int TDefCollection::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (SameName(ItemName(i), name)) return i;
    }
    return -1;
}

void TDefCollection::Update() {
    if (mUpdated) return;
    if (OnUpdate) OnUpdate();
    mUpdated = true;
}

void TDefCollection::Update(TCollectionItem*) {
    if (OnChange) OnChange(nullptr);
}

void TDefCollection::ItemChanged() {
    // An empty bracket notifies now, or at the end of an open one.
    BeginUpdate();
    EndUpdate();
}

// --- TFieldDef ----------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

TFieldDefs* TFieldDef::Owner() const { return dynamic_cast<TFieldDefs*>(Collection()); }

void TFieldDef::Changed() {
    if (TFieldDefs* defs = Owner()) defs->ItemChanged();
}

void TFieldDef::SetName(const QString& name) {
    if (name == mName) return;
    mName = name;
    Changed();
}

void TFieldDef::SetDataType(TFieldType type) {
    if (type == mDataType) return;
    mDataType = type;
    Changed();
}

void TFieldDef::SetSize(int size) {
    if (size == mSize) return;
    mSize = size;
    Changed();
}

void TFieldDef::SetPrecision(int precision) {
    if (precision == mPrecision) return;
    mPrecision = precision;
    Changed();
}

void TFieldDef::SetAttributes(TFieldAttributes attributes) {
    if (attributes == mAttributes) return;
    mAttributes = attributes;
    Changed();
}

void TFieldDef::SetRequired(bool required) {
    TFieldAttributes attributes = mAttributes;
    if (required) attributes.Include(faRequired);
    else attributes.Exclude(faRequired);
    SetAttributes(attributes);
}

void TFieldDef::SetInternalCalcField(bool value) {
    if (value == mInternalCalcField) return;
    mInternalCalcField = value;
    Changed();
}

int TFieldDef::FieldNo() const { return mFieldNo > 0 ? mFieldNo : Index() + 1; }

void TFieldDef::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TFieldDef*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    mName = other->mName;
    mDataType = other->mDataType;
    mSize = other->mSize;
    mPrecision = other->mPrecision;
    mAttributes = other->mAttributes;
    mInternalCalcField = other->mInternalCalcField;
    mFieldNo = other->mFieldNo;
    Changed();
}

// --- TFieldDefs ---------------------------------------------------------------

TFieldDefs::TFieldDefs(TPersistent* owner) : TDefCollection(TFieldDef::StaticClass(), owner) {}

TFieldDef* TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required) {
    BeginUpdate();
    TFieldDef* def = AddFieldDef();
    def->SetName(name);
    def->SetDataType(type);
    def->SetSize(size);
    def->SetRequired(required);
    EndUpdate();
    return def;
}

TFieldDef* TFieldDefs::FindDef(const QString& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

TFieldDef* TFieldDefs::Find(const QString& name) const {
    TFieldDef* def = FindDef(name);
    if (!def) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return def;
}

// --- TIndexDef ----------------------------------------------------------------

TIndexDef::TIndexDef(TCollection* collection) : TCollectionItem(collection) {}

TIndexDefs* TIndexDef::Owner() const { return dynamic_cast<TIndexDefs*>(Collection()); }

void TIndexDef::Changed() {
    if (TIndexDefs* defs = Owner()) defs->ItemChanged();
}

namespace {
template <class T>
bool Store(T& member, const T& value) {
    if (member == value) return false;
    member = value;
    return true;
}
}  // namespace

void TIndexDef::SetName(const QString& name) { if (Store(mName, name)) Changed(); }
void TIndexDef::SetFields(const QString& fields) { if (Store(mFields, fields)) Changed(); }
void TIndexDef::SetExpression(const QString& expression) {
    bool changed = Store(mExpression, expression);
    if (!expression.isEmpty()) changed = Store(mFields, QString()) || changed;
    if (changed) Changed();
}
void TIndexDef::SetOptions(TIndexOptions options) { if (Store(mOptions, options)) Changed(); }
void TIndexDef::SetSource(const QString& source) { if (Store(mSource, source)) Changed(); }
void TIndexDef::SetDescFields(const QString& fields) { if (Store(mDescFields, fields)) Changed(); }
void TIndexDef::SetCaseInsFields(const QString& fields) { if (Store(mCaseInsFields, fields)) Changed(); }

void TIndexDef::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TIndexDef*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    mName = other->mName;
    mFields = other->mFields;
    mExpression = other->mExpression;
    mOptions = other->mOptions;
    mSource = other->mSource;
    mDescFields = other->mDescFields;
    mCaseInsFields = other->mCaseInsFields;
    Changed();
}

// --- TIndexDefs ---------------------------------------------------------------

TIndexDefs::TIndexDefs(TPersistent* owner) : TDefCollection(TIndexDef::StaticClass(), owner) {}

TIndexDef* TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options) {
    BeginUpdate();
    TIndexDef* def = AddIndexDef();
    def->SetName(name);
    if (options.Contains(ixExpression)) def->SetExpression(fields);
    else def->SetFields(fields);
    def->SetOptions(options);
    EndUpdate();
    return def;
}

TIndexDef* TIndexDefs::FindDef(const QString& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

TIndexDef* TIndexDefs::Find(const QString& name) const {
    TIndexDef* def = FindDef(name);
    if (!def) throw EDatabaseError(QStringLiteral("Index '%1' not found").arg(name));
    return def;
}

TIndexDef* TIndexDefs::GetIndexForFields(const QString& fields, bool caseInsensitive) const {
    const QStringList wanted = SplitFields(fields);
    if (wanted.isEmpty()) return nullptr;
    TIndexDef* found = nullptr;
    for (int i = 0; i < Count(); ++i) {
        TIndexDef* def = Items(i);
        if (def->Options().Contains(ixExpression)) continue;
        if (caseInsensitive != def->Options().Contains(ixCaseInsensitive)) continue;
        const QStringList have = SplitFields(def->Fields());
        if (have.size() < wanted.size()) continue;
        bool match = true;
        for (int k = 0; k < wanted.size() && match; ++k) match = SameName(have[k], wanted[k]);
        if (!match) continue;
        if (def->Options().Contains(ixPrimary)) return def;
        if (!found) found = def;
    }
    return found;
}

TIndexDef* TIndexDefs::FindIndexForFields(const QString& fields) const {
    TIndexDef* def = GetIndexForFields(fields, false);
    if (!def) def = GetIndexForFields(fields, true);
    if (!def) throw EDatabaseError(QStringLiteral("No index for fields '%1'").arg(fields));
    return def;
}

