#include "model/collectionutilities.h"
#include "model/stringutilities.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace vidarium;

TEST(StringUtilities, EmptinessAndDigits)
{
    EXPECT_TRUE(stringIsEmpty(PlistValue()));
    EXPECT_TRUE(stringIsEmpty(PlistValue::null()));
    EXPECT_TRUE(stringIsEmpty(PlistValue(QStringLiteral(""))));
    EXPECT_TRUE(stringIsEmpty(PlistValue(QStringLiteral(" \t\n\r\u2028"))));
    EXPECT_FALSE(stringIsEmpty(PlistValue(QStringLiteral(" x "))));
    EXPECT_FALSE(stringIsEmpty(PlistValue(0)));

    EXPECT_TRUE(isOnlyDigits(QString()));
    EXPECT_TRUE(isOnlyDigits(QStringLiteral("0123")));
    EXPECT_FALSE(isOnlyDigits(QStringLiteral("12a")));
    EXPECT_FALSE(isOnlyDigits(QStringLiteral("-1")));
    EXPECT_FALSE(isOnlyDigits(QStringLiteral("\u0663"))); // Arabic-Indic three
}

TEST(StringUtilities, LeadingNumbersReadLikeTheCLibrary)
{
    EXPECT_EQ(leadingInteger(u"  42abc"), 42);
    EXPECT_EQ(leadingInteger(u"-7"), -7);
    EXPECT_EQ(leadingInteger(u"x1"), 0);
    EXPECT_EQ(leadingInteger(u"99999999999999"), 2147483647);
    EXPECT_EQ(leadingInteger(u"-99999999999999"), -2147483647 - 1);
    EXPECT_FLOAT_EQ(leadingFloat(u" 1.5e2x"), 150.0f);
    EXPECT_FLOAT_EQ(leadingFloat(u"."), 0.0f);
    EXPECT_TRUE(std::isinf(leadingFloat(u"1e999")));
}

TEST(StringUtilities, PathRelativeToABase)
{
    EXPECT_EQ(stringWithPathRelativeTo(QStringLiteral("/a/b/c/file.mov"), QStringLiteral("/a/b/d")),
        QStringLiteral("../c/file.mov"));
    EXPECT_EQ(stringWithPathRelativeTo(QStringLiteral("/a/b/c/file.mov"), QStringLiteral("/a/b")),
        QStringLiteral("c/file.mov"));
    EXPECT_EQ(stringWithPathRelativeTo(QStringLiteral("/x/file.mov"), QStringLiteral("/a/b")),
        QStringLiteral("../../x/file.mov"));
    EXPECT_EQ(stringWithPathRelativeTo(QStringLiteral("/a/b"), QStringLiteral("/a/b")), QString());
    EXPECT_EQ(stringWithPathRelativeTo(QStringLiteral("/a/b/"), QStringLiteral("/a//b/c/")),
        QStringLiteral(".."));
}

TEST(StringUtilities, PackagePathFindsTheInnermostLibraryPackage)
{
    test::ScratchDir scratch;
    const QString media = scratch.filePath(QStringLiteral("Show.fcpbundle/Day 1/Original Media"));
    ASSERT_TRUE(QDir().mkpath(media));
    const QString clip = media + QStringLiteral("/clip.mov");
    EXPECT_EQ(packagePath(clip), scratch.filePath(QStringLiteral("Show.fcpbundle")));

    // Not inside a Final Cut Pro X library: untouched, even inside another package.
    const QString other = scratch.filePath(QStringLiteral("Old.vidarium/Thumbnails"));
    ASSERT_TRUE(QDir().mkpath(other));
    EXPECT_EQ(packagePath(other + QStringLiteral("/x.jpg")), other + QStringLiteral("/x.jpg"));
    // Named like one, but no such package on disk.
    const QString missing = QStringLiteral("/nowhere/Gone.fcpbundle/clip.mov");
    EXPECT_EQ(packagePath(missing), missing);
}

TEST(CollectionUtilities, MoveObjectToIndex)
{
    const QList<int> six = { 0, 1, 2, 3, 4, 5 };
    QList<int> list = six;
    moveObjectToIndex(list, 1, 4);
    EXPECT_EQ(list, (QList<int> { 0, 2, 3, 1, 4, 5 }));
    list = six;
    moveObjectToIndex(list, 4, 1);
    EXPECT_EQ(list, (QList<int> { 0, 4, 1, 2, 3, 5 }));
    list = six;
    moveObjectToIndex(list, 2, 2);
    EXPECT_EQ(list, six);
    list = six;
    moveObjectToIndex(list, 9, 0);
    EXPECT_EQ(list, (QList<int> { 9, 0, 1, 2, 3, 4, 5 }));
    list = six;
    moveObjectToIndex(list, 0, 6);
    EXPECT_EQ(list, (QList<int> { 1, 2, 3, 4, 5, 0 }));
}

TEST(CollectionUtilities, DeepCopyChecksThePropertyListAndSmallHelpers)
{
    const PlistDictionary nested = {
        { QStringLiteral("a"), PlistArray { PlistValue(1), PlistValue(QStringLiteral("x")) } },
        { QStringLiteral("b"),
            PlistDictionary { { QStringLiteral("c"), PlistValue(QByteArray("d")) } } },
    };
    EXPECT_EQ(copyDeep(PlistValue(nested)), PlistValue(nested));
    EXPECT_FALSE(copyDeep(PlistValue(PlistArray { PlistValue::null() })).isValid());
    EXPECT_FALSE(copyDeep(PlistValue()).isValid());

    PlistDictionary dictionary = { { QStringLiteral("kept"), PlistValue(1) } };
    setObjectIfMissingKey(dictionary, QStringLiteral("kept"), PlistValue(2));
    setObjectIfMissingKey(dictionary, QStringLiteral("new"), PlistValue(3));
    EXPECT_EQ(dictionary.value(QStringLiteral("kept")).toInteger(), 1);
    EXPECT_EQ(dictionary.value(QStringLiteral("new")).toInteger(), 3);

    EXPECT_EQ(indexPathByIncrementingIndexPath({ 0, 2, 5 }), (QList<int> { 0, 2, 6 }));
    EXPECT_TRUE(indexPathByIncrementingIndexPath({}).isEmpty());
}
