#include "platform/plist/propertylist.h"
#include "platform/regularfile.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vidarium;

// A device reports no size and never ends; a FIFO blocks its reader for ever.
TEST(RegularFile, DevicesAndFifosAreRefusedAtOnceAndTheCapHolds)
{
    test::ScratchDir scratch;
    const QString fifo = scratch.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    for (const QString &path : { QStringLiteral("/dev/zero"), fifo }) {
        SCOPED_TRACE(path.toStdString());
        const Result<QByteArray> bytes = RegularFile::read(path, 1024);
        ASSERT_FALSE(bytes.ok());
        EXPECT_TRUE(bytes.error().message().contains(QStringLiteral("not a regular file")));
        EXPECT_FALSE(PropertyList::readFile(path).ok());
    }
    EXPECT_LT(timer.elapsed(), 5000);

    const QString large = scratch.filePath(QStringLiteral("large"));
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
    file.close();
    EXPECT_FALSE(RegularFile::read(large, 2047).ok());
    const Result<QByteArray> whole = RegularFile::read(large, 2048);
    ASSERT_TRUE(whole.ok());
    EXPECT_EQ(whole->size(), 2048);
}
