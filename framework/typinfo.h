// Class records: the class registry (create a component by class name) and,
// per class, the published properties, the published methods (event
// handlers a window definition names) and the published fields (a form's
// `TButton* BtnStart` members, set to the component the definition creates).
//
// A class declares VARNEL_DECLARE_CLASS(Self, Parent) in its body and, in its
// .cpp, publishes its members:
//
//   VARNEL_PUBLISH(TEdit, c) {
//       c.prop("Text", &TEdit::Text, &TEdit::SetText);
//       c.prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).def(0);
//       c.prop("Alignment", &TEdit::Alignment, &TEdit::SetAlignment).def(taLeftJustify);
//       c.sub("Font", &TEdit::Font);                 // nested: Font.Style = [fsBold]
//       c.prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);  // reference
//       c.event("OnChange", &TEdit::OnChange);       // std::function member
//   }
//   VARNEL_PUBLISH(TFPrincipal, c) {
//       c.field("BtnStart", &TFPrincipal::BtnStart);
//       c.method("BtnStartClick", &TFPrincipal::BtnStartClick);
//   }
//
// or VARNEL_DEFINE_CLASS(Self) when it publishes nothing. Either also
// registers the class by name when its object file is linked in; code that
// may be dropped by the linker calls RegisterClass<T>() explicitly.
//
// Invariants: a class record is built once, on first use, after its
// parent's; lookups walk the class chain from the most derived class, so a
// class may publish a property again (another default, say) and the new
// entry takes the ancestor's place in Properties(). Names compare without
// regard to case. Registration never runs user code beyond the publish
// function, and the publish function must not look up its own class record.
//
// Kinds and the value types they come from (for prop()):
//   Integer  int, unsigned, 8/16/32-bit integers (range-checked on read)
//   Int64    64-bit integers
//   Float    double, float
//   Boolean  bool
//   Char     QChar
//   String   QString
//   Enum     an enumeration with VARNEL_ENUM_NAMES (written by name)
//   Set      TSet<E> of such an enumeration (written [a, b])
//   Binary   QByteArray (written { hex })
//   Component  a pointer to a TComponent-derived class (written by name,
//              resolved after the whole definition is read)
// and for sub():  StringList (TStrings*), Collection (TCollection*),
// Persistent (any other TPersistent*, its properties written with dotted
// paths). event() makes an Event property.
//
// Omission when writing: a property is written when it has a setter (or is
// an object kind), its stored-when predicate says yes, and it does not hold
// its default. Without .def(), String, Char, Float, Int64 and Binary default
// to empty/zero and Integer, Boolean, Enum and Set are always written.
// String lists and collections are written when not empty, references when
// set, events when bound by name.
#pragma once

#include "framework/classes.h"
#include "framework/defvalue.h"

#include <any>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

// ---------------------------------------------------------------------------
// Errors

// A property that does not exist, is read-only, or cannot take a value.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EPropertyError>(*this); }
};

// A class name the registry does not know.
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EClassNotFound>(*this); }
};

// ---------------------------------------------------------------------------
// Enumeration names: VARNEL_ENUM_NAMES(TAlignment, "taLeftJustify",
// "taRightJustify", "taCenter") at global scope, the names in value order
// (values 0, 1, ...).

template <class E>
struct TEnumTraits;

#define VARNEL_ENUM_NAMES(E, ...)                                         \
    template <>                                                           \
    struct TEnumTraits<E> {                                               \
        static const QStringList& Names() {                               \
            static const QStringList names{__VA_ARGS__};                  \
            return names;                                                 \
        }                                                                 \
    }

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires { TEnumTraits<E>::Names(); };

// Identifier names for integer values (clBtnFace = 0xFF00000F); an integer
// property with such a map reads either form and writes the name when one
// matches.
struct TIdentEntry {
    qint64 value;
    QString name;
};
using TIdentMap = std::vector<TIdentEntry>;

// ---------------------------------------------------------------------------
// Global event guard: every handler bound by the reader runs through it
// (through the root's TComponent::RunEventHandler). The toolkit installs its
// error guard here; empty means handlers run directly.

using TEventGuard = std::function<void(const std::function<void()>& handler)>;
void SetEventGuard(TEventGuard guard);
const TEventGuard& EventGuard();

// ---------------------------------------------------------------------------

enum class TPropKind {
    Integer, Int64, Float, Boolean, Char, String, Enum, Set, Binary,
    StringList, Collection, Persistent, Component, Event,
};
QString PropKindName(TPropKind kind);

class TMethodInfo;

// One published property. Built by TClassBuilder; used by the reader, the
// writer and GetPropValue/SetPropValue.
class TPropInfo {
public:
    const QString& Name() const { return mName; }
    TPropKind Kind() const { return mKind; }
    const QStringList& ElementNames() const { return mElementNames; }  // Enum, Set
    const TIdentMap& Idents() const { return mIdents; }                 // Integer
    bool IsReadOnly() const { return !mSetValue && !mSetReference; }
    bool IsObjectKind() const {
        return mKind == TPropKind::StringList || mKind == TPropKind::Collection || mKind == TPropKind::Persistent;
    }

    // Value kinds (Integer ... Binary): the value as a definition holds it,
    // and assignment from one. SetValue raises EPropertyError naming what
    // was expected when the value does not fit (kind, range, name).
    TDefValue GetValue(const TObject* instance) const;
    void SetValue(TObject* instance, const TDefValue& value) const;

    // Object kinds: the sub-object (owned by the instance; may be nullptr).
    TPersistent* GetObject(const TObject* instance) const;

    // Component kind. SetReference raises EPropertyError when `target` is
    // not of the property's class, and asks `target` for a free
    // notification, so that the reference is cleared (the setter called
    // with nullptr) when the target goes. A setter called from code does
    // that itself (TComponent::FreeNotification) for targets of other owners.
    TComponent* GetReference(const TObject* instance) const;
    void SetReference(TObject* instance, TComponent* target) const;

    // Event kind: binds `method` of `root` to the event (raising
    // EPropertyError when the signatures differ) and records its name on
    // the instance (a TComponent) for the writer; HasHandler tells whether
    // the event is set.
    void BindHandler(TObject* instance, const TMethodInfo& method, TComponent* root) const;
    bool HasHandler(const TObject* instance) const;
    void ClearHandler(TObject* instance) const;

    // Writer's decision for value kinds (see the header comment).
    bool IsStored(const TObject* instance) const;
    bool IsDefault(const TObject* instance) const;
    bool HasDefault() const { return bool(mIsDefault); }

private:
    template <class T> friend class TClassBuilder;
    template <class T, class V> friend class TPropBuilder;
    template <class T> friend class TPropBuilderBase;
    friend class TMetaClass;

    QString mName;
    TPropKind mKind = TPropKind::Integer;
    QStringList mElementNames;
    TIdentMap mIdents;
    std::function<TDefValue(const TObject*)> mGetValue;
    std::function<void(TObject*, const TDefValue&)> mSetValue;
    std::function<TPersistent*(const TObject*)> mGetObject;
    std::function<TComponent*(const TObject*)> mGetReference;
    std::function<bool(TObject*, TComponent*)> mSetReference;   // false: wrong class
    std::function<bool(TObject*, const std::any&)> mBindHandler; // false: wrong signature
    std::function<bool(const TObject*)> mHasHandler;
    std::function<void(TObject*)> mClearHandler;
    std::function<bool(const TObject*)> mIsStored;
    std::function<bool(const TObject*)> mIsDefault;
};

// A published method: an event handler a definition can name.
class TMethodInfo {
public:
    const QString& Name() const { return mName; }
    // A std::function<Signature> calling the method on `root` through
    // root->RunEventHandler.
    std::any MakeHandler(TComponent* root) const { return mMakeHandler(root); }

private:
    template <class T> friend class TClassBuilder;
    QString mName;
    std::function<std::any(TComponent*)> mMakeHandler;
};

// A published field: a member pointer of the root that the reader sets to
// the component of the same name, and that is cleared when that component
// leaves the root.
class TFieldInfo {
public:
    const QString& Name() const { return mName; }
    TMetaClass* FieldClass() const { return mFieldClass(); }
    TComponent* Get(const TObject* root) const { return mGet(root); }
    // False when `component` is not of the field's class.
    bool Set(TObject* root, TComponent* component) const { return mSet(root, component); }

private:
    template <class T> friend class TClassBuilder;
    QString mName;
    std::function<TMetaClass*()> mFieldClass;
    std::function<TComponent*(const TObject*)> mGet;
    std::function<bool(TObject*, TComponent*)> mSet;
};

template <class T> class TClassBuilder;

class TMetaClass {
public:
    TMetaClass(const QString& name, TMetaClass* parent);
    ~TMetaClass();
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const QString& Name() const { return mName; }
    TMetaClass* Parent() const { return mParent; }
    bool InheritsFrom(const TMetaClass* ancestor) const;  // true for itself

    const TPropInfo* FindProperty(const QString& name) const;
    // Ancestors' properties first, each class's in publishing order.
    std::vector<const TPropInfo*> Properties() const;
    const TMethodInfo* FindMethod(const QString& name) const;
    const TFieldInfo* FindField(const QString& name) const;
    std::vector<const TFieldInfo*> Fields() const;

    bool CanCreateComponent() const { return bool(mCreateComponent); }
    // EClassNotFound-like EComponentError when the class cannot be created.
    TComponent* CreateComponent(TComponent* owner) const;
    bool CanCreateItem() const { return bool(mCreateItem); }
    TCollectionItem* CreateItem(TCollection* collection) const;

    template <class T>
    static TMetaClass* Make(const char* name, TMetaClass* parent, void (*publish)(TClassBuilder<T>&));

private:
    template <class T> friend class TClassBuilder;
    TPropInfo* AddProperty(const QString& name, TPropKind kind);
    void AddMethod(std::unique_ptr<TMethodInfo> method);
    void AddField(std::unique_ptr<TFieldInfo> field);

    QString mName;
    TMetaClass* mParent;
    std::vector<std::unique_ptr<TPropInfo>> mProperties;
    std::vector<std::unique_ptr<TMethodInfo>> mMethods;
    std::vector<std::unique_ptr<TFieldInfo>> mFields;
    std::function<TComponent*(TComponent*)> mCreateComponent;
    std::function<TCollectionItem*(TCollection*)> mCreateItem;
};

// ---------------------------------------------------------------------------
// Class registry.

// Registers `meta` under its name; registering the same record again does
// nothing, another record with a taken name raises EComponentError.
void RegisterClass(TMetaClass* meta);
template <class... T>
void RegisterClasses() { (RegisterClass(T::StaticClass()), ...); }
template <class T>
void RegisterClass() { RegisterClass(T::StaticClass()); }
void UnRegisterClass(TMetaClass* meta);
TMetaClass* FindClass(const QString& name);  // nullptr when unknown
TMetaClass* GetClass(const QString& name);   // EClassNotFound when unknown

// Generic access by dotted path ("Font.Style"); EPropertyError for an
// unknown path or a kind without a plain value.
const TPropInfo* FindPropInfo(const TObject* instance, const QString& name);
TDefValue GetPropValue(const TObject* instance, const QString& path);
void SetPropValue(TObject* instance, const QString& path, const TDefValue& value);

// ---------------------------------------------------------------------------
// Value conversion between C++ types and definition values, per kind.

namespace typinfo_detail {

template <class V> struct IsSet : std::false_type {};
template <class E> struct IsSet<TSet<E>> : std::true_type { using Element = E; };

template <class V>
constexpr TPropKind KindOf() {
    if constexpr (std::is_same_v<V, bool>) return TPropKind::Boolean;
    else if constexpr (std::is_same_v<V, QChar>) return TPropKind::Char;
    else if constexpr (std::is_same_v<V, QString>) return TPropKind::String;
    else if constexpr (std::is_same_v<V, QByteArray>) return TPropKind::Binary;
    else if constexpr (std::is_floating_point_v<V>) return TPropKind::Float;
    else if constexpr (std::is_integral_v<V> && sizeof(V) == 8) return TPropKind::Int64;
    else if constexpr (std::is_integral_v<V>) return TPropKind::Integer;
    else if constexpr (std::is_enum_v<V>) {
        static_assert(NamedEnum<V>, "enumeration properties need VARNEL_ENUM_NAMES");
        return TPropKind::Enum;
    } else if constexpr (IsSet<V>::value) {
        static_assert(NamedEnum<typename IsSet<V>::Element>, "set properties need VARNEL_ENUM_NAMES for the element");
        return TPropKind::Set;
    } else {
        static_assert(sizeof(V) == 0, "no property kind for this value type");
        return TPropKind::Integer;
    }
}

template <class V>
const QStringList& ElementNames() {
    static const QStringList none;
    if constexpr (std::is_enum_v<V>) return TEnumTraits<V>::Names();
    else if constexpr (IsSet<V>::value) return TEnumTraits<typename IsSet<V>::Element>::Names();
    else return none;
}

// Shared by all kinds, in typinfo.cpp: they raise EPropertyError with the
// reason when the value does not fit.
qint64 ToInteger(const TDefValue& value, qint64 low, qint64 high, const TIdentMap& idents);
double ToFloat(const TDefValue& value);
bool ToBoolean(const TDefValue& value);
QChar ToChar(const TDefValue& value);
QString ToString(const TDefValue& value);
QByteArray ToBinary(const TDefValue& value);
int ToEnum(const TDefValue& value, const QStringList& names);
uint64_t ToSetMask(const TDefValue& value, const QStringList& names);
TDefValue FromInteger(qint64 value, const TIdentMap& idents);
TDefValue FromEnum(int value, const QStringList& names);
TDefValue FromSetMask(uint64_t mask, const QStringList& names);

template <class V>
V FromDef(const TDefValue& value, const TIdentMap& idents) {
    constexpr TPropKind kind = KindOf<V>();
    if constexpr (kind == TPropKind::Boolean) return ToBoolean(value);
    else if constexpr (kind == TPropKind::Char) return ToChar(value);
    else if constexpr (kind == TPropKind::String) return ToString(value);
    else if constexpr (kind == TPropKind::Binary) return ToBinary(value);
    else if constexpr (kind == TPropKind::Float) return V(ToFloat(value));
    else if constexpr (kind == TPropKind::Integer || kind == TPropKind::Int64)
        return V(ToInteger(value, qint64(std::numeric_limits<V>::min()),
                           std::is_same_v<V, uint64_t> ? std::numeric_limits<qint64>::max()
                                                        : qint64(std::numeric_limits<V>::max()),
                           idents));
    else if constexpr (kind == TPropKind::Enum) return V(ToEnum(value, ElementNames<V>()));
    else return V::FromMask(ToSetMask(value, ElementNames<V>()));
}

template <class V>
TDefValue ToDef(const V& value, const TIdentMap& idents) {
    constexpr TPropKind kind = KindOf<V>();
    if constexpr (kind == TPropKind::Boolean) return TDefValue::Ident(value ? QStringLiteral("True") : QStringLiteral("False"));
    else if constexpr (kind == TPropKind::Char) return TDefValue::String(QString(value));
    else if constexpr (kind == TPropKind::String) return TDefValue::String(value);
    else if constexpr (kind == TPropKind::Binary) return TDefValue::Binary(value);
    else if constexpr (kind == TPropKind::Float) return TDefValue::Float(double(value));
    else if constexpr (kind == TPropKind::Integer || kind == TPropKind::Int64) return FromInteger(qint64(value), idents);
    else if constexpr (kind == TPropKind::Enum) return FromEnum(int(value), ElementNames<V>());
    else return FromSetMask(value.Mask(), ElementNames<V>());
}

template <class V>
bool IsImplicitDefault(const V& value) {
    constexpr TPropKind kind = KindOf<V>();
    if constexpr (kind == TPropKind::String || kind == TPropKind::Binary) return value.isEmpty();
    else if constexpr (kind == TPropKind::Char) return value.isNull();
    else if constexpr (kind == TPropKind::Float || kind == TPropKind::Int64) return value == V(0);
    else return false;
}

template <class P> struct PointeeOf;
template <class C> struct PointeeOf<C*> { using Type = C; };

[[noreturn]] void ThrowWrongHandlerSignature(const QString& property, const QString& method);

} // namespace typinfo_detail

// ---------------------------------------------------------------------------
// Builders used inside VARNEL_PUBLISH.

template <class T>
class TPropBuilderBase {
public:
    explicit TPropBuilderBase(TPropInfo* info) : mInfo(info) {}

    // Stored-when: a constant, or a predicate on the instance such as
    // `&TAdsConnection::StoreConnected` (any callable taking const T&).
    template <class P>
    TPropBuilderBase& stored(P predicate) {
        if constexpr (std::is_same_v<P, bool>) {
            mInfo->mIsStored = [predicate](const TObject*) { return predicate; };
        } else {
            mInfo->mIsStored = [predicate](const TObject* o) {
                return bool(std::invoke(predicate, *static_cast<const T*>(o)));
            };
        }
        return *this;
    }

protected:
    TPropInfo* mInfo;
};

template <class T, class V>
class TPropBuilder : public TPropBuilderBase<T> {
public:
    TPropBuilder(TPropInfo* info, std::function<V(const T&)> get)
        : TPropBuilderBase<T>(info), mGet(std::move(get)) {}

    // Declared default: a property holding it is not written.
    template <class D>
    TPropBuilder& def(D value) {
        V defaultValue = V(value);
        auto get = mGet;
        this->mInfo->mIsDefault = [get, defaultValue](const TObject* o) {
            return get(*static_cast<const T*>(o)) == defaultValue;
        };
        return *this;
    }
    // No default at all: always written (strings, floats and kin included).
    TPropBuilder& nodefault() {
        this->mInfo->mIsDefault = nullptr;
        return *this;
    }
    // Names for integer values, written instead of the number when one matches.
    TPropBuilder& idents(TIdentMap map) {
        this->mInfo->mIdents = std::move(map);
        return *this;
    }
    template <class P>
    TPropBuilder& stored(P predicate) {
        TPropBuilderBase<T>::stored(predicate);
        return *this;
    }

private:
    std::function<V(const T&)> mGet;
};

template <class T>
class TClassBuilder {
public:
    explicit TClassBuilder(TMetaClass* meta) : mMeta(meta) {}

    // A value property (or a component reference when the getter returns a
    // pointer to a component). `getter` is any callable on const T& (a
    // const member function); `setter` any callable on (T&, V).
    template <class G, class S>
    auto prop(const QString& name, G getter, S setter) {
        using V = std::decay_t<std::invoke_result_t<G, const T&>>;
        if constexpr (std::is_pointer_v<V>) {
            return Reference<V>(name, getter, setter);
        } else {
            TPropInfo* info = ValueProperty<V>(name, getter);
            info->mSetValue = [setter, info](TObject* o, const TDefValue& value) {
                std::invoke(setter, *static_cast<T*>(o), typinfo_detail::FromDef<V>(value, info->mIdents));
            };
            return TPropBuilder<T, V>(info, [getter](const T& o) { return V(std::invoke(getter, o)); });
        }
    }

    // A published read-only value property: readable by code and by
    // GetPropValue, never written to or read from a definition.
    template <class G>
    auto prop(const QString& name, G getter) {
        using V = std::decay_t<std::invoke_result_t<G, const T&>>;
        TPropInfo* info = ValueProperty<V>(name, getter);
        return TPropBuilder<T, V>(info, [getter](const T& o) { return V(std::invoke(getter, o)); });
    }

    // A sub-object owned by the instance: a string list, a collection, or a
    // persistent object whose own properties are read and written with
    // dotted paths. `getter` returns a pointer to it.
    template <class G>
    TPropBuilderBase<T> sub(const QString& name, G getter) {
        using P = std::decay_t<std::invoke_result_t<G, T&>>;
        static_assert(std::is_pointer_v<P>, "sub() takes a getter returning a pointer");
        using C = typename typinfo_detail::PointeeOf<P>::Type;
        static_assert(std::is_base_of_v<TPersistent, C>, "sub-objects are TPersistent");
        TPropKind kind = std::is_base_of_v<TStrings, C>      ? TPropKind::StringList
                         : std::is_base_of_v<TCollection, C> ? TPropKind::Collection
                                                             : TPropKind::Persistent;
        TPropInfo* info = mMeta->AddProperty(name, kind);
        info->mGetObject = [getter](const TObject* o) -> TPersistent* {
            return std::invoke(getter, *const_cast<T*>(static_cast<const T*>(o)));
        };
        return TPropBuilderBase<T>(info);
    }

    // An event: `member` is a std::function data member of T.
    template <class Sig>
    TPropBuilderBase<T> event(const QString& name, std::function<Sig> T::*member) {
        TPropInfo* info = mMeta->AddProperty(name, TPropKind::Event);
        info->mBindHandler = [member](TObject* o, const std::any& handler) {
            const auto* typed = std::any_cast<std::function<Sig>>(&handler);
            if (!typed) return false;
            static_cast<T*>(o)->*member = *typed;
            return true;
        };
        info->mHasHandler = [member](const TObject* o) { return bool(static_cast<const T*>(o)->*member); };
        info->mClearHandler = [member](TObject* o) { static_cast<T*>(o)->*member = nullptr; };
        return TPropBuilderBase<T>(info);
    }

    // A method that a definition may bind to events (`OnClick = BtnStartClick`).
    template <class R, class... A>
    void method(const QString& name, R (T::*function)(A...)) {
        auto info = std::make_unique<TMethodInfo>();
        info->mName = name;
        info->mMakeHandler = [function](TComponent* root) -> std::any {
            T* self = dynamic_cast<T*>(root);
            return std::function<R(A...)>([self, root, function](A... args) -> R {
                if constexpr (std::is_void_v<R>) {
                    root->RunEventHandler([&] { (self->*function)(std::forward<A>(args)...); });
                } else {
                    R result{};
                    root->RunEventHandler([&] { result = (self->*function)(std::forward<A>(args)...); });
                    return result;
                }
            });
        };
        mMeta->AddMethod(std::move(info));
    }

    // A member pointer the reader sets to the owned component of that name.
    template <class C>
    void field(const QString& name, C* T::*member) {
        static_assert(std::is_base_of_v<TComponent, C>, "published fields hold components");
        auto info = std::make_unique<TFieldInfo>();
        info->mName = name;
        info->mFieldClass = [] { return C::StaticClass(); };
        info->mGet = [member](const TObject* root) -> TComponent* { return static_cast<const T*>(root)->*member; };
        info->mSet = [member](TObject* root, TComponent* component) {
            C* typed = component ? dynamic_cast<C*>(component) : nullptr;
            if (component && !typed) return false;
            static_cast<T*>(root)->*member = typed;
            return true;
        };
        mMeta->AddField(std::move(info));
    }

private:
    template <class V, class G>
    TPropInfo* ValueProperty(const QString& name, G getter) {
        TPropInfo* info = mMeta->AddProperty(name, typinfo_detail::KindOf<V>());
        info->mElementNames = typinfo_detail::ElementNames<V>();
        info->mGetValue = [getter, info](const TObject* o) {
            return typinfo_detail::ToDef<V>(V(std::invoke(getter, *static_cast<const T*>(o))), info->mIdents);
        };
        info->mIsDefault = [getter](const TObject* o) {
            return typinfo_detail::IsImplicitDefault<V>(V(std::invoke(getter, *static_cast<const T*>(o))));
        };
        if constexpr (!(std::is_same_v<V, QString> || std::is_same_v<V, QByteArray> || std::is_same_v<V, QChar> ||
                        std::is_floating_point_v<V> || (std::is_integral_v<V> && sizeof(V) == 8))) {
            info->mIsDefault = nullptr;  // always written unless .def()
        }
        return info;
    }

    template <class P, class G, class S>
    TPropBuilderBase<T> Reference(const QString& name, G getter, S setter) {
        using C = typename typinfo_detail::PointeeOf<P>::Type;
        static_assert(std::is_base_of_v<TComponent, C>, "pointer properties refer to components");
        TPropInfo* info = mMeta->AddProperty(name, TPropKind::Component);
        info->mGetReference = [getter](const TObject* o) -> TComponent* {
            return std::invoke(getter, *static_cast<const T*>(o));
        };
        info->mSetReference = [setter](TObject* o, TComponent* target) {
            C* typed = target ? dynamic_cast<C*>(target) : nullptr;
            if (target && !typed) return false;
            std::invoke(setter, *static_cast<T*>(o), typed);
            return true;
        };
        return TPropBuilderBase<T>(info);
    }

    TMetaClass* mMeta;
};

template <class T>
TMetaClass* TMetaClass::Make(const char* name, TMetaClass* parent, void (*publish)(TClassBuilder<T>&)) {
    auto* meta = new TMetaClass(QString::fromLatin1(name), parent);  // lives for the process
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>) {
        meta->mCreateComponent = [](TComponent* owner) -> TComponent* { return new T(owner); };
    }
    if constexpr (std::is_base_of_v<TCollectionItem, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TCollection*>) {
        meta->mCreateItem = [](TCollection* collection) -> TCollectionItem* { return new T(collection); };
    }
    if (publish) {
        TClassBuilder<T> builder(meta);
        publish(builder);
    }
    return meta;
}

// Defines Self::StaticClass() and registers the class; the block that
// follows is the publish function, with `builder` naming its TClassBuilder.
#define VARNEL_PUBLISH(Self, builder)                                                            \
    static void VarnelPublish_##Self(TClassBuilder<Self>& builder);                              \
    TMetaClass* Self::StaticClass() {                                                            \
        static TMetaClass* const meta =                                                          \
            TMetaClass::Make<Self>(#Self, Self::inherited::StaticClass(), &VarnelPublish_##Self); \
        return meta;                                                                             \
    }                                                                                            \
    [[maybe_unused]] static const bool kVarnelRegistered_##Self = (RegisterClass(Self::StaticClass()), true); \
    static void VarnelPublish_##Self([[maybe_unused]] TClassBuilder<Self>& builder)

// The same for a class that publishes nothing of its own.
#define VARNEL_DEFINE_CLASS(Self) \
    VARNEL_PUBLISH(Self, builder) {}
