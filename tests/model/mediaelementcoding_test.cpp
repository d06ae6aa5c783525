#include "model/mediaelementcoding.h"

#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "platform/parallel.h"
#include "platform/plist/keyedarchive.h"

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// Enough elements that their paths are applied on two threads.
constexpr int elementCount = 3000;

QString pathOf(int i)
{
    return QStringLiteral("/Volumes/Films/Clip %1.mkv").arg(i);
}

QByteArray archivedElements()
{
    MediaLibrary library;
    PlistArray elements;
    for (int i = 0; i < elementCount; ++i) {
        const MediaElementPtr element = MediaElement::create(&library, pathOf(i));
        element->setTool(QStringLiteral("com.tallowmere.vidarium.importer.ff"));
        elements.append(PlistValue(std::static_pointer_cast<ArchivedObject>(element)));
    }
    return KeyedArchiver::archivedData(PlistValue(elements));
}

QList<MediaElementPtr> elementsIn(const Result<PlistValue> &root)
{
    QList<MediaElementPtr> elements;
    if (!root.ok())
        return elements;
    for (const PlistValue &value : root->toArray())
        elements.append(std::dynamic_pointer_cast<MediaElement>(value.toObject()));
    return elements;
}

} // namespace

TEST(MediaElementDecodingContext, HoldsPathsBackAndAppliesThemAll)
{
    const QByteArray archive = archivedElements();
    for (bool threadsRefused : { false, true }) {
        SCOPED_TRACE(threadsRefused);
        std::optional<RefuseWorkerThreadsForTesting> refused;
        if (threadsRefused)
            refused.emplace();
        MediaElementDecodingContext context;
        const Result<PlistValue> root
            = KeyedUnarchiver::unarchive(archive, KeyedUnarchiver::rootKey, &context);
        const QList<MediaElementPtr> elements = elementsIn(root);
        ASSERT_EQ(elements.size(), elementCount);
        EXPECT_TRUE(elements[0]->path().isEmpty()) << "paths wait for the end";

        context.applyPendingPaths();
        for (int i = 0; i < elementCount; ++i) {
            ASSERT_TRUE(elements[i]);
            ASSERT_EQ(elements[i]->path(), pathOf(i)) << "element " << i;
        }
        EXPECT_EQ(elements.last()->tool(), QStringLiteral("com.tallowmere.vidarium.importer.ff"));
    }
}

TEST(MediaElementDecodingContext, ElementsDecodedWithoutOneGetTheirPathsAtOnce)
{
    const QList<MediaElementPtr> elements = elementsIn(
        KeyedUnarchiver::unarchive(archivedElements(), KeyedUnarchiver::rootKey, nullptr));
    ASSERT_EQ(elements.size(), elementCount);
    EXPECT_EQ(elements.last()->path(), pathOf(elementCount - 1));
    EXPECT_EQ(elements.last()->tool(), QStringLiteral("com.tallowmere.vidarium.importer.ff"));
}

TEST(MediaElementDecodingContext, PathsStillHeldBackAreAppliedWhenItGoes)
{
    QList<MediaElementPtr> elements;
    {
        MediaElementDecodingContext context;
        elements = elementsIn(
            KeyedUnarchiver::unarchive(archivedElements(), KeyedUnarchiver::rootKey, &context));
    }
    ASSERT_EQ(elements.size(), elementCount);
    EXPECT_EQ(elements.first()->path(), pathOf(0));
}
