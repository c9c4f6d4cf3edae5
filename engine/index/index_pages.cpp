#include "engine/index/index_pages.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/index/change_word.h"

#include <xxhash.h>

#include <cstring>

namespace indexing {

namespace {

constexpr char kMagic[8] = {'V', 'N', 'L', 'I', 'N', 'D', 'E', 'X'};
// Version 2 added the change counter after the changed byte and the WHILE
// condition of each tag; version 1 files have zeros there and no WHILE text.
constexpr uint16_t kVersion = 2;
constexpr size_t kPageHeader = 8;   // type, spare, count, next
constexpr size_t kChecksumSize = 8;
constexpr uint8_t kLeaf = 1;
constexpr uint8_t kBranch = 2;

void Put16(std::string& out, size_t at, uint16_t v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char(v >> 8);
}

void Put32(std::string& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = char(v >> (8 * i) & 0xFF);
}

void Put64(std::string& out, size_t at, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[at + size_t(i)] = char(v >> (8 * i) & 0xFF);
}

uint64_t Get(const std::string& in, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(in[at + size_t(i)]);
    return v;
}

// Sequential writer and reader of the header's variable part.
class HeaderWriter {
public:
    void U16(uint16_t v) { mOut.append(2, '\0'), Put16(mOut, mOut.size() - 2, v); }
    void U32(uint32_t v) { mOut.append(4, '\0'), Put32(mOut, mOut.size() - 4, v); }
    void Text(const std::string& s)
    {
        U16(uint16_t(s.size()));
        mOut += s;
    }
    std::string& Bytes() { return mOut; }

private:
    std::string mOut;
};

class HeaderReader {
public:
    HeaderReader(const std::string& in, size_t at, size_t end) : mIn(in), mAt(at), mEnd(end) {}
    uint64_t Number(int bytes)
    {
        Need(size_t(bytes));
        uint64_t v = Get(mIn, mAt, bytes);
        mAt += size_t(bytes);
        return v;
    }
    std::string Text()
    {
        size_t length = size_t(Number(2));
        Need(length);
        std::string s = mIn.substr(mAt, length);
        mAt += length;
        return s;
    }
    bool Failed() const { return mFailed; }

private:
    void Need(size_t n)
    {
        if (mAt + n > mEnd) {
            mFailed = true;
            mAt = mEnd - n > mEnd ? mEnd : mEnd - n; // stay in bounds
        }
    }
    const std::string& mIn;
    size_t mAt;
    size_t mEnd;
    bool mFailed = false;
};

uint64_t PageChecksum(const char* page, uint32_t pageSize)
{
    return XXH64(page, pageSize - kChecksumSize, 0);
}

uint64_t HeaderChecksum(std::string header)
{
    // The change word (changed byte and counter) is rewritten in place.
    for (size_t i = 0; i < kChangeWordSize; ++i)
        header[kChangedByteOffset + i] = 0;
    return XXH64(header.data(), header.size() - kChecksumSize, 0);
}

size_t Capacity(uint32_t pageSize, uint16_t keyLength, bool branch)
{
    return (pageSize - kPageHeader - kChecksumSize) / (keyLength + 4u + (branch ? 4u : 0u));
}

// Tree pages of every tag go to `pages`, after the header: the page at
// offset k * pageSize of `pages` has the number firstTreePage + k.
class PageWriter {
public:
    PageWriter(uint32_t pageSize, uint32_t firstTreePage) : mPageSize(pageSize), mFirst(firstTreePage) {}

    uint32_t Add(uint8_t type)
    {
        uint32_t number = mFirst + uint32_t(mPages.size() / mPageSize);
        mPages.append(mPageSize, '\0');
        mPages[mPages.size() - mPageSize] = char(type);
        return number;
    }
    size_t Offset(uint32_t page) const { return size_t(page - mFirst) * mPageSize; }
    void Finish(uint32_t page, size_t count, uint32_t next)
    {
        Put16(mPages, Offset(page) + 2, uint16_t(count));
        Put32(mPages, Offset(page) + 4, next);
    }
    void PutEntry(uint32_t page, size_t slot, const Entry& entry, size_t keyLength, const uint32_t* child)
    {
        size_t at = Offset(page) + kPageHeader + slot * (keyLength + (child ? 8u : 4u));
        mPages.replace(at, keyLength, entry.key);
        Put32(mPages, at + keyLength, entry.recno);
        if (child)
            Put32(mPages, at + keyLength + 4, *child);
    }
    std::string& Pages() { return mPages; }

private:
    uint32_t mPageSize;
    uint32_t mFirst;
    std::string mPages;
};

// Writes one tag: its leaves in order, chained, then the branch levels.
void WriteTagPages(const Tag& tag, uint32_t pageSize, PageWriter& writer, StoredTag& stored)
{
    struct Child {
        const Entry* first;
        uint32_t page;
    };
    const size_t keyLength = tag.KeyLength();
    const size_t leafCapacity = Capacity(pageSize, tag.KeyLength(), false);
    std::vector<Child> level;
    uint32_t page = 0;
    size_t count = 0;
    for (const Entry& entry : tag.Entries()) {
        if (level.empty() || count == leafCapacity) {
            uint32_t next = writer.Add(kLeaf);
            if (!level.empty())
                writer.Finish(page, count, next);
            page = next;
            count = 0;
            level.push_back({&entry, page});
        }
        writer.PutEntry(page, count++, entry, keyLength, nullptr);
    }
    if (level.empty()) {
        page = writer.Add(kLeaf);
        level.push_back({nullptr, page});
    }
    writer.Finish(page, count, 0);
    stored.firstLeaf = level.front().page;

    const size_t branchCapacity = Capacity(pageSize, tag.KeyLength(), true);
    while (level.size() > 1) {
        std::vector<Child> upper;
        for (size_t i = 0; i < level.size(); ++i) {
            if (i % branchCapacity == 0) {
                page = writer.Add(kBranch);
                upper.push_back({level[i].first, page});
            }
            writer.PutEntry(page, i % branchCapacity, *level[i].first, keyLength, &level[i].page);
            writer.Finish(page, i % branchCapacity + 1, 0);
        }
        level.swap(upper);
    }
    stored.root = level.front().page;
}

std::string HeaderBytes(uint32_t pageSize, uint32_t headerPages, uint32_t totalPages, uint32_t recordCount,
                        const std::vector<StoredTag>& tags)
{
    HeaderWriter w;
    w.Bytes().append(kMagic, sizeof kMagic);
    w.U16(kVersion);
    w.U16(0);
    w.U32(pageSize);
    w.U32(0); // the change word: the changed byte and the change counter
    w.U32(headerPages);
    w.U32(totalPages);
    w.U32(recordCount);
    w.U16(uint16_t(tags.size()));
    for (const StoredTag& t : tags) {
        w.Text(t.definition.name);
        w.Text(t.definition.expression);
        w.Text(t.definition.condition);
        w.Text(t.definition.collation);
        w.Text(t.definition.whileCondition);
        w.U32(t.definition.options);
        w.U16(t.keyLength);
        w.U32(t.entryCount);
        w.U32(t.firstLeaf);
        w.U32(t.root);
    }
    return w.Bytes();
}

} // namespace

std::string WriteIndexImage(uint32_t pageSize, const std::vector<std::shared_ptr<Tag>>& tags, uint32_t recordCount)
{
    std::vector<StoredTag> stored(tags.size());
    for (size_t i = 0; i < tags.size(); ++i) {
        const Tag& tag = *tags[i];
        if (Capacity(pageSize, tag.KeyLength(), true) < 2)
            throw engine::EngineError(AE_INVALID_KEY, "Keys of " + std::to_string(tag.KeyLength())
                                                          + " bytes do not fit pages of " + std::to_string(pageSize)
                                                          + " bytes; choose a larger page size.");
        stored[i] = {tag.Definition(), tag.KeyLength(), uint32_t(tag.Entries().size()), 0, 0};
    }
    // The header's size is known before the page numbers are: they have fixed widths.
    size_t headerSize = HeaderBytes(pageSize, 0, 0, 0, stored).size() + kChecksumSize;
    uint32_t headerPages = uint32_t((headerSize + pageSize - 1) / pageSize);
    PageWriter writer(pageSize, headerPages);
    for (size_t i = 0; i < tags.size(); ++i)
        WriteTagPages(*tags[i], pageSize, writer, stored[i]);
    std::string& pages = writer.Pages();
    for (size_t at = 0; at < pages.size(); at += pageSize)
        Put64(pages, at + pageSize - kChecksumSize, PageChecksum(pages.data() + at, pageSize));

    uint32_t totalPages = headerPages + uint32_t(pages.size() / pageSize);
    std::string header = HeaderBytes(pageSize, headerPages, totalPages, recordCount, stored);
    header.resize(size_t(headerPages) * pageSize, '\0');
    Put64(header, header.size() - kChecksumSize, HeaderChecksum(header));
    return header + pages;
}

IndexHeader ReadIndexHeader(const std::string& image, const std::string& path)
{
    auto damaged = [&](const std::string& why) {
        return engine::EngineError(AE_INDEX_DAMAGED, "The index file " + path + " is damaged (" + why
                                                         + "); delete it and create its indexes again.");
    };
    if (image.size() < 64 || std::memcmp(image.data(), kMagic, sizeof kMagic) != 0)
        throw damaged("it does not start as an index file");
    IndexHeader header;
    header.pageSize = uint32_t(Get(image, 12, 4));
    uint32_t headerPages = uint32_t(Get(image, 20, 4));
    uint32_t totalPages = uint32_t(Get(image, 24, 4));
    const uint64_t version = Get(image, 8, 2);
    if (version != kVersion && version != 1)
        throw damaged("unknown version " + std::to_string(version));
    if (header.pageSize < 512 || header.pageSize % 512 != 0 || headerPages == 0
        || uint64_t(totalPages) * header.pageSize != image.size() || headerPages > totalPages)
        throw damaged("its size disagrees with its header");
    std::string headerBytes = image.substr(0, size_t(headerPages) * header.pageSize);
    if (Get(headerBytes, headerBytes.size() - kChecksumSize, 8) != HeaderChecksum(headerBytes))
        throw damaged("the header checksum does not match");
    header.changed = image[kChangedByteOffset] != 0;
    header.changeCounter = ChangeCounterOf(image, kChangedByteOffset);
    header.recordCount = uint32_t(Get(image, 28, 4));
    HeaderReader r(headerBytes, 32, headerBytes.size() - kChecksumSize);
    size_t count = size_t(r.Number(2));
    for (size_t i = 0; i < count && !r.Failed(); ++i) {
        StoredTag t;
        t.definition.name = r.Text();
        t.definition.expression = r.Text();
        t.definition.condition = r.Text();
        t.definition.collation = r.Text();
        if (version >= 2)
            t.definition.whileCondition = r.Text();
        t.definition.options = uint32_t(r.Number(4));
        t.keyLength = uint16_t(r.Number(2));
        t.entryCount = uint32_t(r.Number(4));
        t.firstLeaf = uint32_t(r.Number(4));
        t.root = uint32_t(r.Number(4));
        header.tags.push_back(std::move(t));
    }
    if (r.Failed())
        throw damaged("the tag list runs past the header");
    return header;
}

bool ReadTagEntries(const std::string& image, uint32_t pageSize, const StoredTag& tag, EntrySet& entries)
{
    const size_t pages = image.size() / pageSize;
    const size_t entrySize = tag.keyLength + 4u;
    entries.clear();
    uint32_t page = tag.firstLeaf;
    size_t visited = 0;
    while (page != 0) {
        if (page >= pages || ++visited > pages)
            return false;
        const char* p = image.data() + size_t(page) * pageSize;
        if (Get(image, size_t(page) * pageSize + pageSize - kChecksumSize, 8) != PageChecksum(p, pageSize)
            || uint8_t(p[0]) != kLeaf)
            return false;
        size_t count = size_t(Get(image, size_t(page) * pageSize + 2, 2));
        if (count > Capacity(pageSize, tag.keyLength, false))
            return false;
        for (size_t i = 0; i < count; ++i) {
            const char* e = p + kPageHeader + i * entrySize;
            Entry entry{std::string(e, tag.keyLength), uint32_t(Get(image, size_t(e - image.data()) + tag.keyLength, 4))};
            if (!entries.empty() && !(*entries.rbegin() < entry))
                return false;
            entries.insert(entries.end(), std::move(entry));
        }
        page = uint32_t(Get(image, size_t(page) * pageSize + 4, 4));
    }
    return entries.size() == tag.entryCount;
}

} // namespace indexing
