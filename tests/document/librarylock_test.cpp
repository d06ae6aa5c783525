// One writer per library: a second is refused with the library named or waits,
// readers are never blocked, and the lock leaves no file behind.

#include "document/document.h"
#include "document/librarylock.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

QString newLibrary(const ScratchDir &scratch, const QString &name)
{
    const QString path = scratch.filePath(name);
    Document document;
    EXPECT_TRUE(document.writeToNewPath(path).ok());
    return path;
}

QString lockFile(const QString &package)
{
    return package + QLatin1Char('/') + LibraryLock::FileName;
}

} // namespace

TEST(LibraryLock, SecondWriterIsRefusedNamingTheLibraryAndReadersGoOn)
{
    ScratchDir scratch;
    const QString path = newLibrary(scratch, QStringLiteral("Shared.vidarium"));
    EXPECT_FALSE(QFileInfo::exists(lockFile(path))); // let go with the document

    Document first;
    ASSERT_TRUE(first.lockForWriting(path, LibraryLock::Wait::No).ok());
    ASSERT_TRUE(first.readFromPath(path).ok());
    EXPECT_TRUE(first.holdsLock());

    Document second;
    const Result<void> refused = second.lockForWriting(path, LibraryLock::Wait::No);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code(), Error::Code::Busy);
    EXPECT_TRUE(refused.error().message().contains(QFileInfo(path).absoluteFilePath()));
    EXPECT_TRUE(refused.error().message().contains(QStringLiteral("process %1").arg(::getpid())))
        << refused.error().message().toStdString();

    // A reader is never blocked, and a save of what it read is refused, not lost.
    Document reader;
    ASSERT_TRUE(reader.readFromPath(path).ok());
    EXPECT_FALSE(reader.holdsLock());
    reader.library().createKeywordWithName(QStringLiteral("Lost?"));
    const Result<void> saved = reader.save();
    ASSERT_FALSE(saved.ok());
    EXPECT_TRUE(saved.error().message().contains(QStringLiteral("another program")));

    // Save As over the held package is refused too, and leaves it as it was.
    Document other;
    const Result<void> replaced = other.writeToPath(path);
    EXPECT_FALSE(replaced.ok());
    EXPECT_TRUE(first.library().identifier() != other.library().identifier());
    Document check;
    ASSERT_TRUE(check.readFromPath(path).ok());
    EXPECT_EQ(check.identifier(), first.identifier());

    ASSERT_TRUE(first.save().ok());
    first.readFromPath(scratch.filePath(QStringLiteral("nothing here")));
    EXPECT_FALSE(first.holdsLock());
    EXPECT_FALSE(QFileInfo::exists(lockFile(path)));
    EXPECT_TRUE(second.lockForWriting(path, LibraryLock::Wait::No).ok());
}

TEST(LibraryLock, WaitingWriterGetsTheLibraryWhenTheHolderLetsGo)
{
    ScratchDir scratch;
    const QString path = newLibrary(scratch, QStringLiteral("Wait.vidarium"));
    Result<LibraryLock> holder = LibraryLock::acquire(path, LibraryLock::Wait::No);
    ASSERT_TRUE(holder.ok());

    std::atomic<bool> acquired = false;
    std::thread waiter([&] {
        Result<LibraryLock> lock = LibraryLock::acquire(path, LibraryLock::Wait::Yes);
        acquired = lock.ok();
        // Held: nobody else gets it meanwhile.
        EXPECT_FALSE(LibraryLock::acquire(path, LibraryLock::Wait::No).ok());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(acquired);
    holder->release(); // removes the file the waiter locked: it must find the new one
    waiter.join();
    EXPECT_TRUE(acquired);
    EXPECT_FALSE(QFileInfo::exists(lockFile(path)));
}

TEST(LibraryLock, NewLibraryNeverReplacesOneThatAppearedAndLinksAreRefused)
{
    ScratchDir scratch;
    const QString path = newLibrary(scratch, QStringLiteral("Taken.vidarium"));
    Document existing;
    ASSERT_TRUE(existing.readFromPath(path).ok());

    Document late;
    const Result<void> made = late.writeToNewPath(path);
    ASSERT_FALSE(made.ok());
    EXPECT_FALSE(late.holdsLock());
    Document check;
    ASSERT_TRUE(check.readFromPath(path).ok());
    EXPECT_EQ(check.identifier(), existing.identifier());
    EXPECT_TRUE(QDir(scratch.path())
                    .entryList({ QStringLiteral(".Taken*") }, QDir::AllEntries | QDir::Hidden)
                    .isEmpty());

    // A link planted under the lock file's name is not followed.
    const QString victim = scratch.filePath(QStringLiteral("victim"));
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(),
                  QFile::encodeName(lockFile(path)).constData()),
        0);
    Document writer;
    const Result<void> locked = writer.lockForWriting(path, LibraryLock::Wait::No);
    EXPECT_FALSE(locked.ok());
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep"));
}
