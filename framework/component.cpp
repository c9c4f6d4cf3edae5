// TComponent: owners, names, states and removal notifications.
#include "framework/classes.h"
#include "framework/componentloading.h"
#include "framework/typinfo.h"

#include <algorithm>

namespace component_loading {

namespace {
thread_local bool tNextConstructionLoads = false;
}

bool TakeConstructionFlag() {
    const bool armed = tNextConstructionLoads;
    tNextConstructionLoads = false;
    return armed;
}

ConstructionGuard::ConstructionGuard() { tNextConstructionLoads = true; }
ConstructionGuard::~ConstructionGuard() { tNextConstructionLoads = false; }

} // namespace component_loading

namespace {

void EraseOnce(std::vector<TComponent*>& list, TComponent* component) {
    auto it = std::find(list.begin(), list.end(), component);
    if (it != list.end()) list.erase(it);
}

} // namespace

VARNEL_PUBLISH(TComponent, c) {
    c.prop("Tag", &TComponent::Tag, &TComponent::SetTag);
}

TComponent::TComponent(TComponent* owner) {
    if (component_loading::TakeConstructionFlag()) {
        mState += TComponentState{csLoading, csReading};
    }
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    mDestructorRunning = true;
    Destroying();
    std::vector<TComponent*> partners;
    partners.swap(mFreeNotifies);
    for (TComponent* partner : partners) {
        EraseOnce(partner->mFreeNotifies, this);
        partner->Notification(this, opRemove);
    }
    DestroyComponents();
    if (mOwner) mOwner->RemoveComponent(this);
}

void TComponent::Free() {
    Destroying();
    delete this;
}

void TComponent::Destroying() {
    if (mState.Contains(csDestroying)) return;
    mState.Include(csDestroying);
    for (TComponent* owned : mComponents) owned->Destroying();
}

bool TComponent::IsValidIdent(const QString& name) {
    if (name.isEmpty()) return false;
    auto isAsciiLetter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; };
    if (!isAsciiLetter(name.front())) return false;
    return std::all_of(name.begin(), name.end(),
                       [&](QChar c) { return isAsciiLetter(c) || (c >= u'0' && c <= u'9'); });
}

void TComponent::SetName(const QString& name) {
    if (name == mName) return;
    if (!name.isEmpty() && !IsValidIdent(name)) {
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    }
    if (mOwner) mOwner->ValidateRename(this, mName, name);
    const QString oldName = mName;
    if (mOwner) mOwner->ClearOwnerFields(this);
    mName = name;
    if (mOwner) mOwner->SetOwnerField(this);
    NameChanged(oldName, name);
}

void TComponent::NameChanged(const QString&, const QString&) {}

void TComponent::ValidateRename(TComponent* component, const QString&, const QString& newName) {
    if (newName.isEmpty()) return;
    TComponent* existing = FindComponent(newName);
    if (existing && existing != component) {
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
    }
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) {
        throw EListError(QStringLiteral("Component index out of bounds (%1)").arg(index));
    }
    return mComponents[size_t(index)];
}

int TComponent::ComponentIndex() const {
    if (!mOwner) return -1;
    const auto& list = mOwner->mComponents;
    return int(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    for (TComponent* owned : mComponents) {
        if (owned->mName.compare(name, Qt::CaseInsensitive) == 0) return owned;
    }
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->mOwner == this) return;
    ValidateRename(component, QString(), component->mName);
    if (component->mOwner) component->mOwner->RemoveComponent(component);
    InsertOwned(component);
    if (IsDesigning()) component->SetDesigning(true);
    SetOwnerField(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->mOwner != this) return;
    ClearOwnerFields(component);
    RemoveOwned(component);
    Notification(component, opRemove);
}

void TComponent::InsertOwned(TComponent* component) {
    mComponents.push_back(component);
    component->mOwner = this;
}

void TComponent::RemoveOwned(TComponent* component) {
    EraseOnce(mComponents, component);
    component->mOwner = nullptr;
}

void TComponent::DestroyComponents() {
    for (TComponent* owned : mComponents) owned->Destroying();
    while (!mComponents.empty()) {
        TComponent* last = mComponents.back();
        RemoveComponent(last);
        delete last;
    }
}

// The owner's published fields follow the components they name; a
// destroying owner's fields may belong to parts already destroyed.
void TComponent::ClearOwnerFields(TComponent* component) {
    if (IsDestroying() || component->mName.isEmpty()) return;
    const TFieldInfo* field = ClassType()->FindField(component->mName);
    if (field && field->Get(this) == component) field->Set(this, nullptr);
}

void TComponent::SetOwnerField(TComponent* component) {
    if (IsDestroying() || component->mName.isEmpty()) return;
    if (const TFieldInfo* field = ClassType()->FindField(component->mName)) field->Set(this, component);
}

void TComponent::SetDesigning(bool designing, bool includeOwned) {
    SetStateFlag(csDesigning, designing);
    if (!includeOwned) return;
    for (TComponent* owned : mComponents) owned->SetDesigning(designing, true);
}

void TComponent::SetStateFlag(TComponentStateFlag flag, bool on) {
    if (on) mState.Include(flag);
    else mState.Exclude(flag);
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (mOwner && other->mOwner == mOwner) return;  // the owner tells us anyway
    if (std::find(mFreeNotifies.begin(), mFreeNotifies.end(), other) == mFreeNotifies.end()) {
        mFreeNotifies.push_back(other);
        other->mFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    EraseOnce(mFreeNotifies, other);
    EraseOnce(other->mFreeNotifies, this);
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Loaded() { mState.Exclude(csLoading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) {
        EraseOnce(mFreeNotifies, component);
        if (!mDestructorRunning) ClearReferencesTo(component);
    }
    const std::vector<TComponent*> owned = mComponents;
    for (TComponent* child : owned) {
        if (child != component) child->Notification(component, operation);
    }
}

// A published reference to a removed component would dangle: clear it. This
// runs inside destructors, where an exception would end the process, so a
// setter that refuses is left as it is.
void TComponent::ClearReferencesTo(TComponent* component) {
    for (const TPropInfo* prop : ClassType()->Properties()) {
        if (prop->Kind() != TPropKind::Component || prop->IsReadOnly()) continue;
        if (prop->GetReference(this) != component) continue;
        try {
            prop->SetReference(this, nullptr);
        } catch (...) {
        }
    }
}

void TComponent::RunEventHandler(const std::function<void()>& call) {
    const TEventGuard& guard = EventGuard();
    if (guard) guard(call);
    else call();
}

QString TComponent::EventMethodName(const QString& eventName) const {
    return mEventMethods.value(eventName.toLower());
}

void TComponent::SetEventMethodName(const QString& eventName, const QString& methodName) {
    if (methodName.isEmpty()) mEventMethods.remove(eventName.toLower());
    else mEventMethods.insert(eventName.toLower(), methodName);
}
