// TStrings and TStringList: ordered lines with change notifications.
#include "framework/classes.h"
#include "framework/streaming.h"
#include "framework/typinfo.h"

VARNEL_DEFINE_CLASS(TStrings)
VARNEL_DEFINE_CLASS(TStringList)

// --- TStrings --------------------------------------------------------------

void TStrings::Put(int index, const QString& value) {
    BeginUpdate();
    Delete(index);
    Insert(index, value);
    EndUpdate();
}

int TStrings::Add(const QString& value) {
    const int index = Count();
    Insert(index, value);
    return index;
}

int TStrings::IndexOf(const QString& value) const {
    for (int i = 0; i < Count(); ++i) {
        if (Get(i).compare(value, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void TStrings::AddStrings(const TStrings& other) {
    const QStringList lines = other.ToStringList();  // `other` may be this list
    AddStrings(lines);
}

void TStrings::AddStrings(const QStringList& lines) {
    BeginUpdate();
    for (const QString& line : lines) Add(line);
    EndUpdate();
}

QStringList TStrings::ToStringList() const {
    QStringList lines;
    lines.reserve(Count());
    for (int i = 0; i < Count(); ++i) lines.append(Get(i));
    return lines;
}

void TStrings::SetStrings(const QStringList& lines) {
    BeginUpdate();
    Clear();
    AddStrings(lines);
    EndUpdate();
}

QString TStrings::Text() const {
    QString text;
    for (int i = 0; i < Count(); ++i) text += Get(i) + sLineBreak;
    return text;
}

void TStrings::SetText(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    SetStrings(lines);
}

void TStrings::BeginUpdate() { ++mUpdateCount; }

void TStrings::EndUpdate() {
    if (mUpdateCount == 0) return;
    if (--mUpdateCount == 0 && mChangedInUpdate) {
        mChangedInUpdate = false;
        if (OnChange) OnChange(this);
    }
}

void TStrings::Changing() {
    if (mUpdateCount > 0 && mChangedInUpdate) return;
    if (OnChanging) OnChanging(this);
}

void TStrings::Changed() {
    if (mUpdateCount > 0) {
        mChangedInUpdate = true;
        return;
    }
    if (OnChange) OnChange(this);
}

void TStrings::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TStrings*>(source)) {
        SetStrings(other->ToStringList());
        return;
    }
    TPersistent::Assign(source);
}

// A string list written on its own property holds its lines under
// "Strings" (SQL.Strings = ( ... )).
void TStrings::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        QStringLiteral("Strings"), [this](TReader& reader) { reader.ReadStrings(*this); },
        [this](TWriter& writer) { writer.WriteStrings(*this); }, Count() > 0);
}

// --- TStringList -----------------------------------------------------------

void TStringList::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit) {
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }
}

QString TStringList::Get(int index) const {
    CheckIndex(index, Count() - 1);
    return mLines[index];
}

void TStringList::Put(int index, const QString& value) {
    if (mSorted) throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index, Count() - 1);
    Changing();
    mLines[index] = value;
    Changed();
}

int TStringList::Add(const QString& value) {
    if (!mSorted) {
        Changing();
        mLines.append(value);
        Changed();
        return Count() - 1;
    }
    int index = 0;
    if (Find(value, index)) {
        if (mDuplicates == dupIgnore) return index;
        if (mDuplicates == dupError) throw EListError(QStringLiteral("String list does not allow duplicates"));
    }
    Changing();
    mLines.insert(index, value);
    Changed();
    return index;
}

void TStringList::Insert(int index, const QString& value) {
    if (mSorted) throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index, Count());
    Changing();
    mLines.insert(index, value);
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count() - 1);
    Changing();
    mLines.removeAt(index);
    Changed();
}

void TStringList::Clear() {
    if (mLines.isEmpty()) return;
    Changing();
    mLines.clear();
    Changed();
}

int TStringList::IndexOf(const QString& value) const {
    if (!mSorted) {
        const Qt::CaseSensitivity cs = mCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
        for (int i = 0; i < Count(); ++i) {
            if (mLines[i].compare(value, cs) == 0) return i;
        }
        return -1;
    }
    int index = 0;
    return Find(value, index) ? index : -1;
}

int TStringList::Compare(const QString& a, const QString& b) const {
    return a.compare(b, mCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

bool TStringList::Find(const QString& value, int& index) const {
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = Compare(mLines[middle], value);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) found = true;  // keep going left to the first equal line
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(mLines.begin(), mLines.end(),
                     [this](const QString& a, const QString& b) { return Compare(a, b) < 0; });
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == mSorted) return;
    if (sorted) Sort();
    mSorted = sorted;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == mCaseSensitive) return;
    mCaseSensitive = value;
    if (mSorted) Sort();
}
