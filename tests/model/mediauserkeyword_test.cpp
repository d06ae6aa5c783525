#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "platform/plist/keyedarchive.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace vidarium;

TEST(MediaUserKeyword, UnnamedKeywordsTakeTheFirstFreeUntitledName)
{
    MediaLibrary library;
    const MediaUserKeywordPtr first = library.createKeywordWithName();
    const MediaUserKeywordPtr second = library.createKeywordWithName();
    EXPECT_EQ(first->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(second->name(), QStringLiteral("Untitled 1"));
    EXPECT_NE(first->identifier(), second->identifier());

    first->setName(QStringLiteral("Holiday"));
    EXPECT_EQ(library.createKeywordWithName()->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(library.createKeywordWithName(QStringLiteral("Holiday")), first);

    EXPECT_EQ(MediaUserKeyword::untitledName(
                  { QStringLiteral("Untitled"), QStringLiteral("Untitled 2") }),
        QStringLiteral("Untitled 1"));
    EXPECT_EQ(MediaUserKeyword::untitledName({ QStringLiteral("Untitled 1") }),
        QStringLiteral("Untitled"));
    EXPECT_TRUE(MediaUserKeyword::create(nullptr)->identifier().isEmpty());
}

TEST(MediaUserKeyword, KeywordsLiveOnlyWhileAnElementCarriesThem)
{
    MediaLibrary library;
    const MediaElementPtr element
        = MediaElement::create(&library, QStringLiteral("/nowhere/a.mov"));
    library.setMedia({ { element->identifier(), element } });
    const MediaUserKeywordPtr carried = library.createKeywordWithName(QStringLiteral("  \n"));
    const MediaUserKeywordPtr loose = library.createKeywordWithName(QStringLiteral("Loose"));
    element->addKeywordWithIdentifier(carried->identifier());

    library.validateKeywords();
    EXPECT_EQ(library.keywordWithIdentifier(carried->identifier()), carried);
    EXPECT_EQ(carried->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(library.keywordWithIdentifier(loose->identifier()), nullptr);
}

TEST(MediaUserKeyword, ArchiveRoundTripKeepsAnAbsentName)
{
    MediaUserKeyword::registerArchiveCoder();
    MediaLibrary library;
    for (const QString &name : { QStringLiteral("Ünïcode"), QString() }) {
        const MediaUserKeywordPtr keyword = MediaUserKeyword::create(&library, QStringLiteral("x"));
        keyword->setName(name);
        const Result<PlistValue> read
            = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(PlistValue(keyword)));
        ASSERT_OK(read);
        const auto copy = std::dynamic_pointer_cast<MediaUserKeyword>(read->toObject());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(*copy, *keyword);
        EXPECT_EQ(copy->name(), name);
        EXPECT_EQ(copy->name().isNull(), name.isNull());
    }
}
