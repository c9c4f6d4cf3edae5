// IndexOrder: an index handle, one tag of an index file as one cursor uses
// it. It carries what belongs to that cursor's use of the tag: the top and
// bottom scopes and the key being built (AdsInitRawKey, the field setters on
// the index handle, AdsBuildRawKey).
//
// Invariants:
// - An order belongs to exactly one cursor and is used under that cursor's
//   mutex; its handle is released when the cursor closes or the index is
//   closed or deleted.
// - Scopes are raw keys, possibly partial: a key is in scope when its first
//   bytes (as many as the scope has) are not below the top scope nor above
//   the bottom one.
// - The key builder holds a record image of the table, blank (empty, not
//   NULL) at AdsInitRawKey; segment values are written into it by field name, and the
//   key is the tag's key of that image. Segments count as given from the
//   first up to the last one set; a partial key ends there (for a character
//   segment, after the characters given).
#pragma once

#include "engine/core/handles.h"
#include "engine/index/index_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace engine {

class Cursor;

class IndexOrder : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::Index;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::Index; }
    HandleKind Kind() const override { return HandleKind::Index; }

    IndexOrder(std::weak_ptr<Cursor> cursor, std::shared_ptr<indexing::IndexFile> file,
               std::shared_ptr<indexing::Tag> tag);

    std::shared_ptr<Cursor> OwnerCursor() const { return mCursor.lock(); }
    indexing::IndexFile& File() const { return *mFile; }
    const std::shared_ptr<indexing::IndexFile>& SharedFile() const { return mFile; }
    indexing::Tag& Tag() const { return *mTag; }
    const std::shared_ptr<indexing::Tag>& SharedTag() const { return mTag; }

    // Scopes: ADS_TOP or ADS_BOTTOM.
    const std::optional<std::string>& Scope(uint16_t which) const;
    void SetScope(uint16_t which, std::string key);
    void ClearScope(uint16_t which);
    bool InScope(const std::string& key) const;
    bool IsAboveBottom(const std::string& key) const;
    bool IsBelowTop(const std::string& key) const;
    // Smallest and largest full keys inside the scopes, for range starts.
    std::string LowestKey() const;
    std::string HighestKey() const;

    // The key builder.
    // Starts a key from a blank record whose fields are empty but not NULL,
    // so that segments not given do not make a whole expression NULL.
    void InitKey(const storage::RecordLayout& layout);
    std::vector<uint8_t>& KeyImage() { return mKeyImage; }
    // The image a field setter writes into; notes the write for
    // TakeKeyWritten (a field read through the index handle writes nothing).
    uint8_t* KeyImageForWrite(const storage::RecordLayout& layout);
    bool TakeKeyWritten() { return std::exchange(mKeyWritten, false); }
    // Notes that the segment made of column `field` got the value now in
    // the key image (its characters up to the trailing blanks count for a
    // partial key). False when no segment is made of that column.
    bool NoteSegmentSet(const storage::RecordLayout& layout, size_t field);
    // Bytes of the built key that count: all of them for a full key.
    size_t BuiltKeyLength(bool full) const;

private:
    std::weak_ptr<Cursor> mCursor;
    std::shared_ptr<indexing::IndexFile> mFile;
    std::shared_ptr<indexing::Tag> mTag;
    std::optional<std::string> mTop;
    std::optional<std::string> mBottom;
    std::vector<uint8_t> mKeyImage;
    bool mKeyWritten = false;
    int mLastSegment = -1;          // highest segment set, -1: none
    size_t mLastSegmentCharacters = 0;
};

// The cursor a handle stands for: a table or cursor handle, or an index
// handle (then `order` receives the index, otherwise it is reset).
std::shared_ptr<Cursor> CursorOfHandle(ADSHANDLE handle, const char* function, std::shared_ptr<IndexOrder>& order);

} // namespace engine
