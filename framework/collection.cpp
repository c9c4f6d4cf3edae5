// TCollection and TCollectionItem: ordered items of one class.
#include "framework/classes.h"
#include "framework/typinfo.h"

#include <algorithm>

VARNEL_DEFINE_CLASS(TCollectionItem)
VARNEL_DEFINE_CLASS(TCollection)

// --- TCollectionItem -------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
    if (mCollection) mCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == mCollection) return;
    if (mCollection) mCollection->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!mCollection) return -1;
    const auto& items = mCollection->mItems;
    return int(std::find(items.begin(), items.end(), this) - items.begin());
}

// --- TCollection -----------------------------------------------------------

TCollection::TCollection(TMetaClass* itemClass, TPersistent* owner) : mItemClass(itemClass), mOwner(owner) {}

TCollection::~TCollection() {
    mUpdateCount = 1;  // no notifications while tearing down
    Clear();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }
    return mItems[size_t(index)];
}

TCollectionItem* TCollection::Add() {
    if (!mItemClass || !mItemClass->CanCreateItem()) {
        throw EConvertError(QStringLiteral("Cannot create items of class %1")
                                .arg(mItemClass ? mItemClass->Name() : QStringLiteral("(none)")));
    }
    return mItemClass->CreateItem(this);
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
    if (mItems.empty()) return;
    BeginUpdate();
    while (!mItems.empty()) delete mItems.back();
    EndUpdate();
}

void TCollection::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    Clear();
    for (int i = 0; i < other->Count(); ++i) Add()->Assign(other->Items(i));
    EndUpdate();
}

void TCollection::BeginUpdate() { ++mUpdateCount; }

void TCollection::EndUpdate() {
    if (mUpdateCount == 0) return;
    if (--mUpdateCount == 0) Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
    if (mUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    mItems.push_back(item);
    item->mCollection = this;
    if (mUpdateCount == 0) Update(item);
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(mItems.begin(), mItems.end(), item);
    if (it == mItems.end()) return;
    mItems.erase(it);
    item->mCollection = nullptr;
    if (mUpdateCount == 0) Update(nullptr);
}
