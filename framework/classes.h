// The component model: objects that know their class, persistent objects that
// can be streamed, components with owners, names and states, string lists and
// collections.
//
// Ownership: a component created with an owner is destroyed by that owner
// (last created first); one destroyed earlier removes itself from its owner.
// A component created without an owner belongs to whoever created it.
// Components, string lists and collections are used by one thread at a time.
//
// Every class that takes part in streaming declares VARNEL_DECLARE_CLASS(Self,
// Parent) in its body and defines its class record in its .cpp with
// VARNEL_PUBLISH / VARNEL_DEFINE_CLASS from framework/typinfo.h.
#pragma once

#include "framework/tset.h"
#include "platform/sysutils.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TMetaClass;
class TFiler;
class TObject;
class TComponent;

// Line break used by TStrings::Text.
inline const QString sLineBreak = QStringLiteral("\n");

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Declares the class record of a class: put it first in the class body.
// `inherited` names the parent class, as the derived code calls it.
#define VARNEL_DECLARE_CLASS(Self, Parent)                                   \
public:                                                                      \
    using inherited = Parent;                                                \
    static TMetaClass* StaticClass();                                        \
    TMetaClass* ClassType() const override { return Self::StaticClass(); }   \
                                                                             \
private:

// ---------------------------------------------------------------------------
// Errors of the component model.

// A bad component name, a duplicate name under one owner, a bad owner.
class EComponentError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EComponentError>(*this); }
};

// An index out of range in a list, string list or collection.
class EListError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EListError>(*this); }
};

// A value that cannot be converted or assigned ("Cannot assign a TFont to a TStrings").
class EConvertError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EConvertError>(*this); }
};

// ---------------------------------------------------------------------------

// Root of the class tree. Knows its class record (name, parent, published
// properties and methods) through the virtual ClassType().
class TObject {
public:
    TObject() = default;
    virtual ~TObject();
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    static TMetaClass* StaticClass();
    virtual TMetaClass* ClassType() const { return TObject::StaticClass(); }

    // The class name of the most derived class that declared its class
    // record (inside constructors and destructors: of the class running).
    QString ClassName() const;
    bool InheritsFrom(const TMetaClass* ancestor) const;
};

// An object that can be assigned from another and streamed. Besides its
// published properties it may store extra named entries through
// DefineProperties.
class TPersistent : public TObject {
    VARNEL_DECLARE_CLASS(TPersistent, TObject)

public:
    // Copies `source` into this object. The default asks the source
    // (AssignTo) and raises EConvertError when neither side knows the other.
    virtual void Assign(const TPersistent* source);

    // Declares custom stored entries (binary data, collections, entries kept
    // for old definitions) on the filer; called by the reader and the writer.
    virtual void DefineProperties(TFiler& filer);

protected:
    virtual void AssignTo(TPersistent* dest) const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

// ---------------------------------------------------------------------------
// Components.

enum TComponentStateFlag {
    csLoading,     // being read from a window definition, until its Loaded() ran
    csReading,     // its own properties are being read
    csWriting,     // being written to a window definition
    csDestroying,  // destruction has begun (set on owned components too)
    csDesigning,   // inside the designer (set by tests through SetDesigning)
    csFixups,      // has references waiting to be resolved by the reader
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    VARNEL_DECLARE_CLASS(TComponent, TPersistent)

public:
    // Inserts the new component at the end of the owner's list. A component
    // constructed by the window-definition reader already has csLoading set
    // here, so derived constructors can test it.
    explicit TComponent(TComponent* owner);
    // Destroys the owned components (last first) after marking them all
    // csDestroying, tells every component that asked for a free notification,
    // then leaves the owner, which tells its remaining components.
    ~TComponent() override;

    // Marks this component and all it owns csDestroying, then deletes it.
    void Free();

    TComponent* Owner() const { return mOwner; }

    // Name: empty, or a valid identifier (letter or '_' first, then letters,
    // digits, '_'), unique among the owner's components without regard to
    // case. SetName raises EComponentError otherwise; on success it calls
    // NameChanged(old, new).
    const QString& Name() const { return mName; }
    void SetName(const QString& name);
    static bool IsValidIdent(const QString& name);

    // Free-form tag, as published by most components.
    qint64 Tag() const { return mTag; }
    void SetTag(qint64 tag) { mTag = tag; }

    // Owned components, in insertion order.
    int ComponentCount() const { return int(mComponents.size()); }
    TComponent* Components(int index) const;   // EListError when out of range
    int ComponentIndex() const;                 // position in the owner's list, -1 without owner
    TComponent* FindComponent(const QString& name) const;  // case-insensitive, nullptr if none
    // Moves `component` under this owner (leaving its previous owner).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Destroys every owned component now, last first. A derived class whose
    // owned components rely on its members calls this in its own destructor.
    void DestroyComponents();

    TComponentState ComponentState() const { return mState; }
    bool IsLoading() const { return mState.Contains(csLoading); }
    bool IsDesigning() const { return mState.Contains(csDesigning); }
    bool IsDestroying() const { return mState.Contains(csDestroying); }
    // Designer state for tests; applied to owned components too.
    void SetDesigning(bool designing, bool includeOwned = true);

    // Asks `other` to call Notification(other, opRemove) on this component
    // when `other` is destroyed; both sides forget each other when either
    // is destroyed. Components under one owner are told through the owner
    // anyway.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // The enclosing component in a window definition (the control's parent);
    // the reader sets it for nested objects and the writer nests by it.
    // Defaults: nullptr / ignored.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);

    // A sub-component is created by its owner's constructor and streamed as
    // part of it, never as an object of its own.
    bool IsSubComponent() const { return mSubComponent; }
    void SetSubComponent(bool value) { mSubComponent = value; }

    // Runs `call` as an event handler of this root (form): the default runs
    // it through the global event guard (SetEventGuard in typinfo.h), or
    // directly when none is installed. Handlers bound by the reader call this
    // on the definition's root.
    virtual void RunEventHandler(const std::function<void()>& call);

    // Name of the method bound to an event property by the reader (kept so
    // the writer writes it back); empty if none.
    QString EventMethodName(const QString& eventName) const;
    void SetEventMethodName(const QString& eventName, const QString& methodName);

    // Reader and writer state changes; the reader calls Loading() when it
    // starts on a component that exists already (a root read into an
    // existing form).
    void SetStateFlag(TComponentStateFlag flag, bool on);

protected:
    // Sets csDestroying on this component and everything it owns. A derived
    // destructor that calls DestroyComponents() calls this first, so that
    // the owned components see their owner going.
    void Destroying();

    // After the whole window definition was read and references resolved,
    // every component read gets Loaded() (root first, then in reading
    // order). The base clears csLoading: call it first in an override.
    virtual void Loaded();

    // `component` is being inserted into or removed from this owner, or is
    // being destroyed and this component asked for a free notification. The
    // base clears this component's published reference properties that point
    // to a removed component and forwards the notice to every owned
    // component. At opRemove the removed component may be partly destroyed,
    // and at the opInsert sent from its constructor it is not yet fully
    // built (C++ gives it the TComponent type there): compare its address,
    // do not cast it.
    virtual void Notification(TComponent* component, TOperation operation);

    // Called after Name changed from `oldName` to `newName`.
    virtual void NameChanged(const QString& oldName, const QString& newName);

    // Checks `newName` for `component` (one of this owner's); raises
    // EComponentError for a duplicate.
    virtual void ValidateRename(TComponent* component, const QString& oldName, const QString& newName);

private:
    friend class TReaderContext;
    void InsertOwned(TComponent* component);
    void RemoveOwned(TComponent* component);
    void ClearOwnerFields(TComponent* component);
    void SetOwnerField(TComponent* component);
    void ClearReferencesTo(TComponent* component);

    TComponent* mOwner = nullptr;
    QString mName;
    qint64 mTag = 0;
    TComponentState mState;
    bool mSubComponent = false;
    bool mDestructorRunning = false;  // the derived parts are gone
    std::vector<TComponent*> mComponents;
    std::vector<TComponent*> mFreeNotifies;
    QHash<QString, QString> mEventMethods;  // lower-case event name -> method name
};

// ---------------------------------------------------------------------------
// String lists.

// Ordered lines. Each change (add, insert, delete, clear, put) fires OnChange
// at once, unless inside BeginUpdate/EndUpdate, where OnChange fires once at
// the outermost EndUpdate (if anything changed). OnChanging fires before the
// first change of a bracket, or before each change outside one.
class TStrings : public TPersistent {
    VARNEL_DECLARE_CLASS(TStrings, TPersistent)

public:
    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;        // EListError when out of range
    virtual void Put(int index, const QString& value);
    virtual int Add(const QString& value);           // returns the new line's index
    virtual void Insert(int index, const QString& value) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int IndexOf(const QString& value) const; // case-insensitive; -1 if absent

    QString Strings(int index) const { return Get(index); }
    void AddStrings(const TStrings& other);
    void AddStrings(const QStringList& lines);
    QStringList ToStringList() const;
    void SetStrings(const QStringList& lines);       // replaces all lines in one bracket

    // Every line followed by sLineBreak; SetText splits at CR, LF or CR LF.
    QString Text() const;
    void SetText(const QString& text);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return mUpdateCount; }

    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;   // the "Strings" entry

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Derived lists call these around every change.
    virtual void Changing();
    virtual void Changed();

private:
    int mUpdateCount = 0;
    bool mChangedInUpdate = false;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The concrete list. Sorted mode keeps the lines in order (case-insensitive
// unless CaseSensitive) and Add places a line at its sorted position, where
// Duplicates decides what a repeated line does; Insert is refused in
// sorted mode.
class TStringList : public TStrings {
    VARNEL_DECLARE_CLASS(TStringList, TStrings)

public:
    TStringList() = default;

    int Count() const override { return int(mLines.size()); }
    QString Get(int index) const override;
    void Put(int index, const QString& value) override;
    int Add(const QString& value) override;
    void Insert(int index, const QString& value) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(const QString& value) const override;

    bool Sorted() const { return mSorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return mDuplicates; }
    void SetDuplicates(TDuplicates duplicates) { mDuplicates = duplicates; }
    bool CaseSensitive() const { return mCaseSensitive; }
    void SetCaseSensitive(bool value);

    // Binary search in a sorted list: true and the line's index if found,
    // false and the insertion point otherwise.
    bool Find(const QString& value, int& index) const;
    void Sort();

private:
    int Compare(const QString& a, const QString& b) const;
    void CheckIndex(int index, int limit) const;

    QStringList mLines;
    bool mSorted = false;
    bool mCaseSensitive = false;
    TDuplicates mDuplicates = dupIgnore;
};

// ---------------------------------------------------------------------------
// Collections: ordered items of one class, each with its own published
// properties (streamed as `< item ... end >`).

class TCollection;

class TCollectionItem : public TPersistent {
    VARNEL_DECLARE_CLASS(TCollectionItem, TPersistent)

public:
    // Appends itself to `collection` (which then owns it), if given.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;  // leaves its collection

    TCollection* Collection() const { return mCollection; }
    void SetCollection(TCollection* collection);
    int Index() const;            // position in the collection, -1 without one

private:
    friend class TCollection;
    TCollection* mCollection = nullptr;
};

class TCollection : public TPersistent {
    VARNEL_DECLARE_CLASS(TCollection, TPersistent)

public:
    // `itemClass` must be constructible from TCollection* (its class record
    // then creates items); `owner` is the object the collection belongs to.
    explicit TCollection(TMetaClass* itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;      // destroys the items

    TMetaClass* ItemClass() const { return mItemClass; }
    TPersistent* Owner() const { return mOwner; }
    int Count() const { return int(mItems.size()); }
    TCollectionItem* Items(int index) const;   // EListError when out of range
    virtual TCollectionItem* Add();            // a new item of ItemClass at the end
    void Delete(int index);
    void Clear();
    // Clears, then adds one item per source item and assigns it.
    void Assign(const TPersistent* source) override;

    void BeginUpdate();
    void EndUpdate();

protected:
    // An item was added, removed or changed (nullptr: several); not called
    // inside an update bracket until its end.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void Changed();

    TMetaClass* mItemClass;
    TPersistent* mOwner;
    std::vector<TCollectionItem*> mItems;
    int mUpdateCount = 0;
};
