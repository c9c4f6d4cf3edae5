// Streams: memory stream growth, seeking, short reads, copying, files.
#include "framework/streams.h"
#include "fixtures.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

TEST(Streams, MemoryStreamGrowsAndKeepsItsPosition) {
    TMemoryStream s;
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Write("hello", 5), 5);
    EXPECT_EQ(s.Position(), 5);
    s.SetPosition(1);
    EXPECT_EQ(s.Write("EL", 2), 2);  // overwrites in place
    EXPECT_EQ(s.Bytes(), QByteArray("hELlo"));
    EXPECT_EQ(s.Seek(-1, soEnd), 4);
    char c = 0;
    EXPECT_EQ(s.Read(&c, 1), 1);
    EXPECT_EQ(c, 'o');
    EXPECT_EQ(s.Read(&c, 1), 0);  // at the end
    // A write beyond the end fills the gap with zeros.
    s.Seek(3, soEnd);
    s.Write("!", 1);
    EXPECT_EQ(s.Bytes(), QByteArray("hELlo\0\0\0!", 9));
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Bytes(), QByteArray("hE"));
    s.SetSize(4);
    EXPECT_EQ(s.Bytes(), QByteArray("hE\0\0", 4));
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(Streams, SeekOriginsAndRefusals) {
    TBytesStream s(QByteArray("0123456789"));
    struct Case {
        int64_t offset;
        TSeekOrigin origin;
        int64_t expected;
    };
    const Case cases[] = {{3, soBeginning, 3}, {2, soCurrent, 5}, {-5, soCurrent, 0}, {0, soEnd, 10}, {-10, soEnd, 0},
                          {20, soBeginning, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(s.Seek(c.offset, c.origin), c.expected);
    }
    s.SetPosition(4);
    EXPECT_THROW(s.Seek(-5, soCurrent), EStreamError);
    EXPECT_EQ(s.Position(), 4);  // a refused seek does not move
    EXPECT_THROW(s.SetSize(-1), EStreamError);
    char buffer[4] = {};
    s.SetPosition(8);
    EXPECT_EQ(s.Read(buffer, 4), 2);
    s.SetPosition(8);
    EXPECT_THROW(s.ReadBuffer(buffer, 4), EReadStreamError);
    s.SetPosition(20);
    EXPECT_EQ(s.Read(buffer, 4), 0);  // beyond the end reads nothing
    EXPECT_TRUE(s.ReadRemaining().isEmpty());
    s.SetPosition(6);
    EXPECT_EQ(s.ReadRemaining(), QByteArray("6789"));
}

TEST(Streams, CopyAndLoadBetweenStreams) {
    TBytesStream source(QByteArray("abcdef"));
    TMemoryStream dest;
    source.SetPosition(2);
    EXPECT_EQ(dest.CopyFrom(source, 3), 3);
    EXPECT_EQ(dest.Bytes(), QByteArray("cde"));
    EXPECT_EQ(dest.CopyFrom(source, 0), 6);  // 0 copies all of the source from its start
    EXPECT_EQ(dest.Bytes(), QByteArray("cdeabcdef"));
    source.SetPosition(5);
    EXPECT_THROW(dest.CopyFrom(source, 3), EReadStreamError);
    TMemoryStream loaded;
    loaded.LoadFromStream(source);
    EXPECT_EQ(loaded.Bytes(), QByteArray("abcdef"));
    EXPECT_EQ(loaded.Position(), 0);
    TMemoryStream saved;
    loaded.SaveToStream(saved);
    EXPECT_EQ(saved.Bytes(), QByteArray("abcdef"));
    EXPECT_EQ(saved.ClassName(), QStringLiteral("TMemoryStream"));
    EXPECT_TRUE(source.InheritsFrom(TStream::StaticClass()));
}

TEST(Streams, FilesAreReplacedOnlyWhenCompletelyWritten) {
    testsupport::TempFolder folder;
    const QString path = folder.file(QStringLiteral("blob.bin"));
    TBytesStream s(QByteArray("\0\1\2binary", 9));
    s.SaveToFile(path);
    TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Bytes(), QByteArray("\0\1\2binary", 9));

    // A file that cannot be written leaves the old one as it was.
    const QString lockedDir = folder.file(QStringLiteral("ro"));
    QDir().mkpath(lockedDir);
    const QString kept = QDir(lockedDir).filePath(QStringLiteral("kept.bin"));
    s.SaveToFile(kept);
    QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    TBytesStream other(QByteArray("new"));
    if (!QFileInfo(lockedDir).isWritable()) {  // root ignores permissions
        EXPECT_THROW(other.SaveToFile(kept), EWriteStreamError);
        back.LoadFromFile(kept);
        EXPECT_EQ(back.Bytes(), QByteArray("\0\1\2binary", 9));
    }
    QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A name taken by a folder cannot become a file, whoever runs the test.
    EXPECT_THROW(other.SaveToFile(lockedDir), EWriteStreamError);
    EXPECT_TRUE(QFileInfo(kept).isFile());
    EXPECT_THROW(other.SaveToFile(folder.file(QStringLiteral("no/such/folder/x.bin"))), EWriteStreamError);
    EXPECT_THROW(back.LoadFromFile(folder.file(QStringLiteral("missing.bin"))), EReadStreamError);
    EXPECT_EQ(back.Bytes(), QByteArray("\0\1\2binary", 9));  // a failed load keeps the content
}

}  // namespace
