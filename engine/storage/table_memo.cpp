// Table: memo and binary values.
#include "engine/storage/table.h"

#include "engine/storage/table_state.h"

namespace storage {

namespace {

const FieldDesc& MemoField(const RecordLayout& layout, size_t index)
{
    const FieldDesc& field = layout.Field(index);
    if (!IsMemoType(field.type))
        throw StorageError(kErrValue, "Field " + field.name + " is not a memo field.");
    return field;
}

} // namespace

std::vector<uint8_t> Table::ReadMemo(size_t index, const uint8_t* image) const
{
    CheckOpen();
    const FieldDesc& field = MemoField(mLayout, index);
    if (mLayout.IsNull(index, image))
        return {};
    uint32_t block = mLayout.MemoBlock(index, image);
    std::vector<uint8_t> value = mState->memo->Read(block, field.name);
    if (Kind() == TableKind::ADT && value.size() != mLayout.MemoStoredLength(index, image))
        throw StorageError(kErrCorruptMemo, "The memo of field " + field.name + " in " + mState->memo->Name()
                                                + " has " + std::to_string(value.size())
                                                + " bytes but the record says "
                                                + std::to_string(mLayout.MemoStoredLength(index, image)) + ".");
    if (IsConvertedText(field) && GetCharType() == CharType::Oem) {
        std::string ansi = mLayout.ToAnsi(std::string(value.begin(), value.end()));
        value.assign(ansi.begin(), ansi.end());
    }
    return value;
}

uint32_t Table::MemoLength(size_t index, const uint8_t* image) const
{
    CheckOpen();
    MemoField(mLayout, index);
    if (mLayout.IsNull(index, image))
        return 0;
    if (Kind() == TableKind::ADT) {
        // The record keeps the length; reading the block still checks it.
        mState->memo->Read(mLayout.MemoBlock(index, image), mLayout.Field(index).name);
        return mLayout.MemoStoredLength(index, image);
    }
    return uint32_t(ReadMemo(index, image).size());
}

void Table::WriteMemo(size_t index, uint8_t* image, const uint8_t* data, size_t length)
{
    CheckWritable();
    const FieldDesc& field = MemoField(mLayout, index);
    if (length == 0) {
        mLayout.SetMemoReference(index, image, 0, 0);
        return;
    }
    if (field.type == ft::NMemo && length % 2)
        throw StorageError(kErrValue, "Field " + field.name + ": a Unicode memo needs an even number of bytes.");
    std::string stored(reinterpret_cast<const char*>(data), length);
    if (IsConvertedText(field))
        stored = mLayout.FromAnsi(stored);
    uint32_t block;
    {
        ScopedLock lock(mState->file, lockspace::kHeader, true);
        block = mState->memo->Append(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(),
                                     ContentOf(field));
    }
    mLayout.SetMemoReference(index, image, block, uint32_t(stored.size()));
}

} // namespace storage
