// The one writer and the one reader of the program's files: a full disk leaves the old file, a
// link out of its folder is not written through, and what is not a plain file of a fitting size
// is refused without being read.

#include "store/WholeFile.h"

#include "store/UnitLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Files of this process may grow to `bytes` at most while it lives, as on a nearly full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previous);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before{};
    void (*previous)(int) = nullptr;
};
} // namespace

TEST(WholeFile, AFailedWriteLeavesTheOldFileAndALinkOutOfItsFolderIsNotFollowed) {
    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    const QString file = folder.filePath("journal.json");
    ASSERT_EQ(WriteWholeFile(file, QByteArray("the last good one")), "");
    {
        const FileSizeLimit nearlyFull(4096);
        EXPECT_NE(WriteWholeFile(file, QByteArray(8 * 1024, 'x')), "");
    }
    EXPECT_EQ(Contents(file), "the last good one");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"journal.json"})
        << "no half-written file left beside it";

    // A link pointing out of the folder is refused; one to a file beside it is written through.
    const QString outside = elsewhere.filePath("precious.txt");
    ASSERT_EQ(WriteWholeFile(outside, QByteArray("keep me")), "");
    const QString planted = folder.filePath("A001.slot");
    ASSERT_TRUE(QFile::link(outside, planted));
    EXPECT_TRUE(WriteWholeFile(planted, QByteArray("new")).contains("link out of its folder"));
    EXPECT_EQ(Contents(outside), "keep me");
    const QString beside = folder.filePath("beside.slot");
    ASSERT_TRUE(QFile::link(file, beside));
    EXPECT_EQ(WriteWholeFile(beside, QByteArray("through")), "");
    EXPECT_EQ(Contents(file), "through");
}

TEST(WholeFile, OnlyAPlainFileOfAFittingSizeIsRead) {
    QTemporaryDir folder;
    const QString pipe = folder.filePath("pipe.tmq");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const QString zero = folder.filePath("zero.tmq");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString broken = folder.filePath("broken.tmq");
    ASSERT_TRUE(QFile::link(folder.filePath("gone"), broken));
    const QString large = folder.filePath("large.tmq");
    ASSERT_EQ(WriteWholeFile(large, QByteArray(259, 'x')), "");
    const QString fits = folder.filePath("fits.tmq");
    ASSERT_EQ(WriteWholeFile(fits, QByteArray(258, 'x')), "");
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder.tmq"));

    const struct {
        QString Path;
        const char* Said; // empty: read
    } cases[] = {
        {pipe, "is not a plain file"},
        {zero, "is not a plain file"},
        {broken, "is a link to nothing"},
        {large, "is too large (259 bytes; at most 258)"},
        {folder.filePath("folder.tmq"), "is not a plain file"},
        {fits, ""},
    };
    QElapsedTimer clock;
    clock.start();
    for (const auto& file : cases) {
        const TFileRead read = ReadWholeFile(file.Path, kLargestPresetFile);
        if (*file.Said == 0) {
            EXPECT_TRUE(read.Ok()) << read.Error.toStdString();
            EXPECT_EQ(read.Bytes.size(), 258);
        } else {
            EXPECT_FALSE(read.Ok());
            EXPECT_TRUE(read.Error.startsWith(file.Path)) << read.Error.toStdString();
            EXPECT_TRUE(read.Error.contains(file.Said)) << read.Error.toStdString();
            EXPECT_TRUE(read.Bytes.isEmpty());
        }
    }
    EXPECT_LT(clock.elapsed(), 5000) << "nothing waited on the pipe";
    EXPECT_TRUE(ReadWholeFile(folder.filePath("none"), 10).Missing);

    // What cannot be read is moved out of the way, each time under a name of its own.
    EXPECT_EQ(MoveAside(large), large + ".damaged");
    ASSERT_EQ(WriteWholeFile(large, QByteArray("again")), "");
    EXPECT_EQ(MoveAside(large), large + ".damaged2");
    EXPECT_EQ(Contents(large + ".damaged2"), "again");
}

// One writer at a time: a second lock on the same unit waits and then gives up, naming the
// holder; once released it is taken.
TEST(UnitLock, ASecondWriterWaitsForTheFirst) {
    QTemporaryDir folder;
    TUnitLock first(folder.path());
    TUnitLock second(folder.path());
    ASSERT_TRUE(first.Take(0));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(second.Take(300));
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_TRUE(second.Holder().contains(QStringLiteral("(process %1)").arg(getpid())))
        << second.Holder().toStdString();
    first.Release();
    EXPECT_TRUE(second.Take(0));
}
