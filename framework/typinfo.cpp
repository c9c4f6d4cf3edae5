// Class records, the class registry and property access.
#include "framework/typinfo.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct ClassRegistry {
    QMutex lock;
    QHash<QString, TMetaClass*> byName;  // lower-case name
};

ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

TEventGuard& GuardSlot() {
    static TEventGuard guard;
    return guard;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

void SetEventGuard(TEventGuard guard) { GuardSlot() = std::move(guard); }
const TEventGuard& EventGuard() { return GuardSlot(); }

QString PropKindName(TPropKind kind) {
    switch (kind) {
    case TPropKind::Integer: return QStringLiteral("Integer");
    case TPropKind::Int64: return QStringLiteral("Int64");
    case TPropKind::Float: return QStringLiteral("Float");
    case TPropKind::Boolean: return QStringLiteral("Boolean");
    case TPropKind::Char: return QStringLiteral("Char");
    case TPropKind::String: return QStringLiteral("String");
    case TPropKind::Enum: return QStringLiteral("Enum");
    case TPropKind::Set: return QStringLiteral("Set");
    case TPropKind::Binary: return QStringLiteral("Binary");
    case TPropKind::StringList: return QStringLiteral("StringList");
    case TPropKind::Collection: return QStringLiteral("Collection");
    case TPropKind::Persistent: return QStringLiteral("Persistent");
    case TPropKind::Component: return QStringLiteral("Component");
    case TPropKind::Event: return QStringLiteral("Event");
    }
    return QString();
}

// --- TMetaClass ------------------------------------------------------------

TMetaClass::TMetaClass(const QString& name, TMetaClass* parent) : mName(name), mParent(parent) {}
TMetaClass::~TMetaClass() = default;

bool TMetaClass::InheritsFrom(const TMetaClass* ancestor) const {
    for (const TMetaClass* meta = this; meta; meta = meta->mParent) {
        if (meta == ancestor) return true;
    }
    return false;
}

namespace {

// The first entry named `name` in the lists `member` of the class chain.
template <class Info>
const Info* FindInChain(const TMetaClass* meta, const QString& name,
                        const std::vector<std::unique_ptr<Info>>& (*listOf)(const TMetaClass*)) {
    for (; meta; meta = meta->Parent()) {
        for (const auto& entry : listOf(meta)) {
            if (SameName(entry->Name(), name)) return entry.get();
        }
    }
    return nullptr;
}

} // namespace

const TPropInfo* TMetaClass::FindProperty(const QString& name) const {
    return FindInChain<TPropInfo>(this, name, [](const TMetaClass* m) -> const auto& { return m->mProperties; });
}

std::vector<const TPropInfo*> TMetaClass::Properties() const {
    std::vector<const TPropInfo*> result = mParent ? mParent->Properties() : std::vector<const TPropInfo*>{};
    for (const auto& prop : mProperties) {
        auto same = [&](const TPropInfo* p) { return SameName(p->Name(), prop->Name()); };
        auto it = std::find_if(result.begin(), result.end(), same);
        if (it != result.end()) *it = prop.get();
        else result.push_back(prop.get());
    }
    return result;
}

const TMethodInfo* TMetaClass::FindMethod(const QString& name) const {
    return FindInChain<TMethodInfo>(this, name, [](const TMetaClass* m) -> const auto& { return m->mMethods; });
}

const TFieldInfo* TMetaClass::FindField(const QString& name) const {
    return FindInChain<TFieldInfo>(this, name, [](const TMetaClass* m) -> const auto& { return m->mFields; });
}

std::vector<const TFieldInfo*> TMetaClass::Fields() const {
    std::vector<const TFieldInfo*> result = mParent ? mParent->Fields() : std::vector<const TFieldInfo*>{};
    for (const auto& field : mFields) result.push_back(field.get());
    return result;
}

TComponent* TMetaClass::CreateComponent(TComponent* owner) const {
    if (!mCreateComponent) {
        throw EClassNotFound(QStringLiteral("Class %1 cannot be created by name").arg(mName));
    }
    return mCreateComponent(owner);
}

TCollectionItem* TMetaClass::CreateItem(TCollection* collection) const {
    if (!mCreateItem) {
        throw EClassNotFound(QStringLiteral("Class %1 cannot be created as a collection item").arg(mName));
    }
    return mCreateItem(collection);
}

TPropInfo* TMetaClass::AddProperty(const QString& name, TPropKind kind) {
    auto prop = std::make_unique<TPropInfo>();
    prop->mName = name;
    prop->mKind = kind;
    for (auto& existing : mProperties) {
        if (SameName(existing->Name(), name)) {
            existing = std::move(prop);
            return existing.get();
        }
    }
    mProperties.push_back(std::move(prop));
    return mProperties.back().get();
}

void TMetaClass::AddMethod(std::unique_ptr<TMethodInfo> method) { mMethods.push_back(std::move(method)); }
void TMetaClass::AddField(std::unique_ptr<TFieldInfo> field) { mFields.push_back(std::move(field)); }

// --- registry --------------------------------------------------------------

void RegisterClass(TMetaClass* meta) {
    ClassRegistry& registry = Registry();
    QMutexLocker locker(&registry.lock);
    const QString key = meta->Name().toLower();
    TMetaClass* existing = registry.byName.value(key);
    if (existing == meta) return;
    if (existing) {
        throw EComponentError(QStringLiteral("A class named %1 is already registered").arg(meta->Name()));
    }
    registry.byName.insert(key, meta);
}

void UnRegisterClass(TMetaClass* meta) {
    ClassRegistry& registry = Registry();
    QMutexLocker locker(&registry.lock);
    const QString key = meta->Name().toLower();
    if (registry.byName.value(key) == meta) registry.byName.remove(key);
}

TMetaClass* FindClass(const QString& name) {
    ClassRegistry& registry = Registry();
    QMutexLocker locker(&registry.lock);
    return registry.byName.value(name.toLower());
}

TMetaClass* GetClass(const QString& name) {
    TMetaClass* meta = FindClass(name);
    if (!meta) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    return meta;
}

// --- TPropInfo -------------------------------------------------------------

TDefValue TPropInfo::GetValue(const TObject* instance) const {
    if (!mGetValue) throw EPropertyError(QStringLiteral("Property %1 has no plain value").arg(mName));
    return mGetValue(instance);
}

void TPropInfo::SetValue(TObject* instance, const TDefValue& value) const {
    if (!mSetValue) {
        if (!mGetValue) throw EPropertyError(QStringLiteral("Property %1 has no plain value").arg(mName));
        throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(mName));
    }
    mSetValue(instance, value);
}

TPersistent* TPropInfo::GetObject(const TObject* instance) const {
    if (!mGetObject) throw EPropertyError(QStringLiteral("Property %1 is not an object").arg(mName));
    return mGetObject(instance);
}

TComponent* TPropInfo::GetReference(const TObject* instance) const {
    if (!mGetReference) throw EPropertyError(QStringLiteral("Property %1 is not a component reference").arg(mName));
    return mGetReference(instance);
}

void TPropInfo::SetReference(TObject* instance, TComponent* target) const {
    if (!mSetReference) {
        if (!mGetReference) throw EPropertyError(QStringLiteral("Property %1 is not a component reference").arg(mName));
        throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(mName));
    }
    if (!mSetReference(instance, target)) {
        throw EPropertyError(QStringLiteral("Component %1 (%2) is of the wrong class for property %3")
                                 .arg(target->Name(), target->ClassName(), mName));
    }
    // Told when the target goes, wherever it lives, so the reference never dangles.
    auto* self = dynamic_cast<TComponent*>(instance);
    if (self && target) self->FreeNotification(target);
}

void TPropInfo::BindHandler(TObject* instance, const TMethodInfo& method, TComponent* root) const {
    if (!mBindHandler) throw EPropertyError(QStringLiteral("Property %1 is not an event").arg(mName));
    if (!mBindHandler(instance, method.MakeHandler(root))) {
        typinfo_detail::ThrowWrongHandlerSignature(mName, method.Name());
    }
    if (auto* component = dynamic_cast<TComponent*>(instance)) component->SetEventMethodName(mName, method.Name());
}

bool TPropInfo::HasHandler(const TObject* instance) const { return mHasHandler && mHasHandler(instance); }

void TPropInfo::ClearHandler(TObject* instance) const {
    if (mClearHandler) mClearHandler(instance);
    if (auto* component = dynamic_cast<TComponent*>(instance)) component->SetEventMethodName(mName, QString());
}

bool TPropInfo::IsStored(const TObject* instance) const { return !mIsStored || mIsStored(instance); }

bool TPropInfo::IsDefault(const TObject* instance) const { return mIsDefault && mIsDefault(instance); }

// --- value conversion ------------------------------------------------------

namespace typinfo_detail {

namespace {

[[noreturn]] void Expected(const QString& what, const TDefValue& value) {
    QString found = value.KindName();
    if (value.kind() == TDefValue::Kind::Ident) found += QStringLiteral(" (%1)").arg(value.text());
    throw EPropertyError(QStringLiteral("expected %1, found %2").arg(what, found));
}

int IndexOfName(const QStringList& names, const QString& name) {
    for (int i = 0; i < names.size(); ++i) {
        if (SameName(names[i], name)) return i;
    }
    return -1;
}

} // namespace

qint64 ToInteger(const TDefValue& value, qint64 low, qint64 high, const TIdentMap& idents) {
    qint64 result = 0;
    if (value.kind() == TDefValue::Kind::Integer) {
        result = value.integer();
    } else if (value.kind() == TDefValue::Kind::Ident && !idents.empty()) {
        auto it = std::find_if(idents.begin(), idents.end(),
                               [&](const TIdentEntry& e) { return SameName(e.name, value.text()); });
        if (it == idents.end()) throw EPropertyError(QStringLiteral("unknown identifier %1").arg(value.text()));
        result = it->value;
    } else {
        Expected(QStringLiteral("an integer"), value);
    }
    if (result < low || result > high) {
        throw EPropertyError(QStringLiteral("%1 is not within %2..%3").arg(result).arg(low).arg(high));
    }
    return result;
}

double ToFloat(const TDefValue& value) {
    if (value.kind() == TDefValue::Kind::Float) return value.real();
    if (value.kind() == TDefValue::Kind::Integer) return double(value.integer());
    Expected(QStringLiteral("a number"), value);
}

bool ToBoolean(const TDefValue& value) {
    if (value.kind() == TDefValue::Kind::Ident) {
        if (SameName(value.text(), QStringLiteral("True"))) return true;
        if (SameName(value.text(), QStringLiteral("False"))) return false;
    }
    Expected(QStringLiteral("True or False"), value);
}

QChar ToChar(const TDefValue& value) {
    if (value.kind() == TDefValue::Kind::String && value.text().size() == 1) return value.text().front();
    Expected(QStringLiteral("a single character"), value);
}

QString ToString(const TDefValue& value) {
    if (value.kind() == TDefValue::Kind::String) return value.text();
    Expected(QStringLiteral("a string"), value);
}

QByteArray ToBinary(const TDefValue& value) {
    if (value.kind() == TDefValue::Kind::Binary) return value.bytes();
    Expected(QStringLiteral("binary data"), value);
}

int ToEnum(const TDefValue& value, const QStringList& names) {
    if (value.kind() != TDefValue::Kind::Ident) Expected(QStringLiteral("one of ") + names.join(QStringLiteral(", ")), value);
    const int index = IndexOfName(names, value.text());
    if (index < 0) {
        throw EPropertyError(QStringLiteral("%1 is not one of %2").arg(value.text(), names.join(QStringLiteral(", "))));
    }
    return index;
}

uint64_t ToSetMask(const TDefValue& value, const QStringList& names) {
    if (value.kind() != TDefValue::Kind::Set) Expected(QStringLiteral("a set"), value);
    uint64_t mask = 0;
    for (const QString& name : value.names()) {
        const int index = IndexOfName(names, name);
        if (index < 0) {
            throw EPropertyError(QStringLiteral("%1 is not one of %2").arg(name, names.join(QStringLiteral(", "))));
        }
        mask |= uint64_t(1) << index;
    }
    return mask;
}

TDefValue FromInteger(qint64 value, const TIdentMap& idents) {
    for (const TIdentEntry& entry : idents) {
        if (entry.value == value) return TDefValue::Ident(entry.name);
    }
    return TDefValue::Integer(value);
}

TDefValue FromEnum(int value, const QStringList& names) {
    if (value >= 0 && value < names.size()) return TDefValue::Ident(names[value]);
    return TDefValue::Integer(value);  // out of the names: kept visible rather than lost
}

TDefValue FromSetMask(uint64_t mask, const QStringList& names) {
    QStringList members;
    for (int i = 0; i < names.size() && i < 64; ++i) {
        if (mask & (uint64_t(1) << i)) members.append(names[i]);
    }
    return TDefValue::Set(members);
}

void ThrowWrongHandlerSignature(const QString& property, const QString& method) {
    throw EPropertyError(QStringLiteral("Method %1 does not have the signature of event %2").arg(method, property));
}

} // namespace typinfo_detail

// --- access by path --------------------------------------------------------

namespace {

// Walks the sub-objects of all but the last segment of `path`.
const TPropInfo* ResolvePath(const TObject*& instance, const QString& path) {
    const QStringList segments = path.split(u'.');
    for (int i = 0; i < segments.size(); ++i) {
        const TPropInfo* prop = instance->ClassType()->FindProperty(segments[i]);
        if (!prop) {
            throw EPropertyError(QStringLiteral("Property %1 does not exist in %2").arg(segments[i], instance->ClassName()));
        }
        if (i == segments.size() - 1) return prop;
        if (prop->Kind() != TPropKind::Persistent) {
            throw EPropertyError(QStringLiteral("Property %1 has no sub-properties").arg(segments[i]));
        }
        instance = prop->GetObject(instance);
        if (!instance) throw EPropertyError(QStringLiteral("Property %1 holds no object").arg(segments[i]));
    }
    return nullptr;
}

} // namespace

const TPropInfo* FindPropInfo(const TObject* instance, const QString& name) {
    return instance->ClassType()->FindProperty(name);
}

TDefValue GetPropValue(const TObject* instance, const QString& path) {
    const TPropInfo* prop = ResolvePath(instance, path);
    if (prop->Kind() == TPropKind::Component) {
        TComponent* target = prop->GetReference(instance);
        return target ? TDefValue::Ident(target->Name()) : TDefValue();
    }
    return prop->GetValue(instance);
}

void SetPropValue(TObject* instance, const QString& path, const TDefValue& value) {
    const TObject* target = instance;
    const TPropInfo* prop = ResolvePath(target, path);
    prop->SetValue(const_cast<TObject*>(target), value);
}
