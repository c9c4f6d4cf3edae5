#include "engine/index/index_order.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/expr/lexer.h"

namespace engine {

IndexOrder::IndexOrder(std::weak_ptr<Cursor> cursor, std::shared_ptr<indexing::IndexFile> file,
                       std::shared_ptr<indexing::Tag> tag)
    : mCursor(std::move(cursor)), mFile(std::move(file)), mTag(std::move(tag))
{
}

const std::optional<std::string>& IndexOrder::Scope(uint16_t which) const
{
    return which == ADS_TOP ? mTop : mBottom;
}

void IndexOrder::SetScope(uint16_t which, std::string key)
{
    (which == ADS_TOP ? mTop : mBottom) = std::move(key);
}

void IndexOrder::ClearScope(uint16_t which)
{
    (which == ADS_TOP ? mTop : mBottom).reset();
}

bool IndexOrder::IsBelowTop(const std::string& key) const
{
    return mTop && indexing::ComparePrefix(key, *mTop) < 0;
}

bool IndexOrder::IsAboveBottom(const std::string& key) const
{
    return mBottom && indexing::ComparePrefix(key, *mBottom) > 0;
}

bool IndexOrder::InScope(const std::string& key) const
{
    return !IsBelowTop(key) && !IsAboveBottom(key);
}

std::string IndexOrder::LowestKey() const
{
    std::string key = mTop.value_or(std::string());
    key.resize(mTag->KeyLength(), '\0');
    return key;
}

std::string IndexOrder::HighestKey() const
{
    std::string key = mBottom.value_or(std::string());
    key.resize(mTag->KeyLength(), '\xFF');
    return key;
}

void IndexOrder::InitKey(const storage::RecordLayout& layout)
{
    mKeyImage = layout.BlankRecord();
    for (size_t i = 0; i < layout.Fields().size(); ++i)
        if (layout.Field(i).nullBit >= 0)
            layout.SetNullFlag(i, mKeyImage.data(), false);
    mLastSegment = -1;
    mLastSegmentCharacters = 0;
}

uint8_t* IndexOrder::KeyImageForWrite(const storage::RecordLayout& layout)
{
    if (mKeyImage.empty())
        InitKey(layout);
    mKeyWritten = true;
    return mKeyImage.data();
}

bool IndexOrder::NoteSegmentSet(const storage::RecordLayout& layout, size_t field)
{
    // A value given for a segment is never NULL, whatever the blank image said.
    if (layout.Field(field).nullBit >= 0)
        layout.SetNullFlag(field, mKeyImage.data(), false);
    std::string text = layout.GetText(field, mKeyImage.data());
    size_t characters = text.find_last_not_of(' ') == std::string::npos ? 0 : text.find_last_not_of(' ') + 1;
    std::string wanted = expr::UpperAscii(layout.Field(field).name);
    for (size_t i = 0; i < mTag->SegmentCount(); ++i) {
        if (expr::UpperAscii(mTag->SegmentField(i)) != wanted)
            continue;
        if (int(i) >= mLastSegment) {
            mLastSegment = int(i);
            mLastSegmentCharacters = characters;
        }
        return true;
    }
    return false;
}

size_t IndexOrder::BuiltKeyLength(bool full) const
{
    if (full || mLastSegment < 0)
        return full ? mTag->KeyLength() : 0;
    const auto& coding = mTag->Codings()[size_t(mLastSegment)];
    size_t width = coding.segment.width;
    bool text = coding.segment.type == expr::ValueType::Character;
    size_t used = text ? std::min(width, mLastSegmentCharacters) : width;
    return mTag->SegmentOffset(size_t(mLastSegment)) + used;
}

std::shared_ptr<Cursor> CursorOfHandle(ADSHANDLE handle, const char* function, std::shared_ptr<IndexOrder>& order)
{
    order.reset();
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(handle);
    if (object && object->Kind() == HandleKind::Index) {
        order = std::static_pointer_cast<IndexOrder>(object);
        std::shared_ptr<Cursor> cursor = order->OwnerCursor();
        if (!cursor)
            ThrowBadHandle(handle, HandleKind::Index, function);
        return cursor;
    }
    return LookUp<Cursor>(handle, function);
}

} // namespace engine
