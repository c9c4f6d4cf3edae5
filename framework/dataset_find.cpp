// TDataSet: bookmarks, filters, and the framework's own find, Locate and
// Lookup, which scan the cursor record by record in a scratch buffer (a
// concrete dataset with a faster way replaces them).
#include "framework/dataset.h"

#include "framework/fields.h"

#include <cstring>

namespace {

bool TextMatches(const QString& value, const QString& key, TLocateOptions options) {
    Qt::CaseSensitivity cs = options.Contains(loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (options.Contains(loPartialKey)) return value.startsWith(key, cs);
    return value.compare(key, cs) == 0;
}

bool ValueMatches(TField* field, const Variant& key, TLocateOptions options) {
    if (key.IsNullOrEmpty()) return field->IsNull();
    if (field->IsNull()) return false;
    if (key.IsStr() || IsStringType(field->DataType()) || field->DataType() == ftMemo ||
        field->DataType() == ftWideMemo) {
        return TextMatches(field->AsString(), key.AsString(), options);
    }
    return field->AsVariant() == key;
}

}  // namespace

// ---------------------------------------------------------------------------
// Bookmarks.

TBookmark TDataSet::GetBookmark() const {
    if (mState != dsBrowse && mState != dsEdit && mState != dsInsert) return {};
    if (mActiveRecord >= mRecordCount) return {};
    TRecordBuffer buffer = ActiveBuffer();
    if (ReadBufferBookmarkFlag(buffer) != bfCurrent) return {};
    return BufferBookmark(buffer);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.isEmpty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    CursorToBookmark(bookmark);
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& /*bookmark*/) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& first, const TBookmark& second) {
    if (first.isEmpty() || second.isEmpty()) return int(!first.isEmpty()) - int(!second.isEmpty());
    int common = int(std::min(first.size(), second.size()));
    int order = std::memcmp(first.constData(), second.constData(), size_t(common));
    if (order != 0) return order < 0 ? -1 : 1;
    return int(first.size() > second.size()) - int(first.size() < second.size());
}

bool TDataSet::GetCurrentRecord(TRecordBuffer /*buffer*/) { return false; }

// ---------------------------------------------------------------------------
// Filters.

void TDataSet::SetFilter(const QString& text) {
    if (mFilterText == text) return;
    if (Active() && mFiltered) CheckBrowseMode();
    mFilterText = text;
    if (Active() && mFiltered) First();
}

void TDataSet::SetFiltered(bool value) {
    if (mFiltered == value) return;
    if (Active()) CheckBrowseMode();
    mFiltered = value;
    if (Active()) First();
}

void TDataSet::SetFilterOptions(TFilterOptions options) {
    if (mFilterOptions == options) return;
    if (Active() && mFiltered) CheckBrowseMode();
    mFilterOptions = options;
    if (Active() && mFiltered) First();
}

bool TDataSet::AcceptByFilterEvent(TRecordBuffer buffer) {
    if (!OnFilterRecord) return true;
    TRecordBuffer previousBuffer = mFilterBuffer;
    mFilterBuffer = buffer;
    TDataSetState previous = SetTempState(dsFilter);
    bool accept = true;
    try {
        OnFilterRecord(this, accept);
    } catch (const Exception& e) {
        const TApplicationExceptionHandler& handler = ApplicationExceptionHandler();
        if (!handler) {
            RestoreState(previous);
            mFilterBuffer = previousBuffer;
            throw;
        }
        handler(e);
    } catch (...) {
        RestoreState(previous);
        mFilterBuffer = previousBuffer;
        throw;
    }
    RestoreState(previous);
    mFilterBuffer = previousBuffer;
    return accept;
}

// ---------------------------------------------------------------------------
// Scans.

// Walks the cursor from its start (or from the active record) in a scratch
// buffer, in dsFilter, until `matches` accepts a record; its bookmark goes
// to `found`. The ring is untouched; the cursor is left anywhere.
bool TDataSet::ScanRecords(bool fromStart, bool forward, const std::function<bool(TRecordBuffer)>& matches,
                           TBookmark& found) {
    TRecordBuffer scratch = NewRecordBuffer();
    TRecordBuffer previousBuffer = mFilterBuffer;
    TDataSetState previous = SetTempState(dsFilter);
    mFilterBuffer = scratch;
    bool hit = false;
    auto restore = [&] {
        RestoreState(previous);
        mFilterBuffer = previousBuffer;
        mCurrentRecord = -1;
        DisposeRecordBuffer(scratch);
    };
    try {
        if (fromStart) {
            if (forward) CursorToFirst();
            else CursorToLast();
        }
        TGetMode mode = forward ? gmNext : gmPrior;
        while (FetchRecord(scratch, mode, false) == grOK) {
            CalculateFields(scratch);
            if (matches(scratch)) {
                found = BufferBookmark(scratch);
                hit = true;
                break;
            }
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return hit;
}

bool TDataSet::ScanForKeys(const QString& keyFields, const Variant& keyValues, TLocateOptions options,
                           TBookmark& found, const QString& resultFields, Variant* result) {
    QList<TField*> fields;
    GetFieldList(fields, keyFields);
    std::vector<Variant> keys;
    if (fields.size() == 1 && !keyValues.IsArray()) keys.push_back(keyValues);
    else keys = keyValues.AsArray();
    if (int(keys.size()) < fields.size()) DatabaseError(QStringLiteral("Too few key values for '%1'").arg(keyFields), this);
    return ScanRecords(true, true,
                       [&](TRecordBuffer) {
                           for (int i = 0; i < fields.size(); ++i) {
                               if (!ValueMatches(fields[i], keys[size_t(i)], options)) return false;
                           }
                           if (result) *result = FieldValues(resultFields);
                           return true;
                       },
                       found);
}

bool TDataSet::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    TBookmark found;
    bool hit = ScanForKeys(keyFields, keyValues, options, found, QString(), nullptr);
    if (hit) {
        DoBeforeScroll();
        CursorToBookmark(found);
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return hit;
}

Variant TDataSet::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) {
    CheckBrowseMode();
    TBookmark found;
    Variant result = Variant::Null();
    if (!ScanForKeys(keyFields, keyValues, {}, found, resultFields, &result)) return Variant::Null();
    return result;
}

bool TDataSet::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    mFound = false;
    if (!restart) UpdateCursorPos();
    TBookmark found;
    bool hit = ScanRecords(restart, goForward, [this](TRecordBuffer buffer) { return AcceptByFilterEvent(buffer); },
                           found);
    if (hit) {
        CursorToBookmark(found);
        Resync({rmExact, rmCenter});
        mFound = true;
        DoAfterScroll();
    }
    return hit;
}
