#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "platform/plist/keyedarchive.h"
#include "platform/plist/propertylist.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

class MediaUserFieldTest : public ::testing::Test
{
protected:
    // An element of the catalogue proper holding `value` for `field` (none for an
    // absent value).
    MediaElementPtr addElement(
        const MediaUserFieldPtr &field, const PlistValue &value, ElementDictionary *into = nullptr)
    {
        const MediaElementPtr element = MediaElement::create(
            &m_library, QStringLiteral("/nowhere/clip%1.mov").arg(++m_count));
        element->setValueForUndefinedKey(value, field->identifier());
        ElementDictionary dictionary = into ? *into : m_library.media();
        dictionary.insert(element->identifier(), element);
        if (into)
            *into = dictionary;
        else
            m_library.setMedia(dictionary);
        return element;
    }

    MediaLibrary m_library;
    int m_count = 0;
};

const QString &fieldIdentifierOf(const PlistValue &value)
{
    return std::dynamic_pointer_cast<MediaUserField>(value.toObject())->identifier();
}

} // namespace

TEST_F(MediaUserFieldTest, CreationGivesAnUntitledActiveFieldOfTheLibrary)
{
    const MediaUserFieldPtr field = MediaUserField::create(&m_library);
    EXPECT_EQ(field->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(field->owner(), m_library.identifier());
    EXPECT_TRUE(MediaLibrary::isValidIdentifier(field->identifier()));
    EXPECT_FALSE(field->split());
    EXPECT_FALSE(field->removed());
    EXPECT_EQ(MediaUserField::create(&m_library, QStringLiteral("Camera"))->name(),
        QStringLiteral("Camera"));

    const MediaUserFieldPtr empty = MediaUserField::create(nullptr, QStringLiteral("Camera"));
    EXPECT_TRUE(empty->identifier().isEmpty());
    EXPECT_TRUE(empty->name().isEmpty());
}

TEST_F(MediaUserFieldTest, SplitFieldCompletionsOfferEachPieceOnce)
{
    const MediaUserFieldPtr field = m_library.createFieldWithName(QStringLiteral("People"));
    field->setSplit(true);
    addElement(field, PlistValue(QStringLiteral("a, b")));
    addElement(field, PlistValue(QStringLiteral("b ,c")));
    ElementDictionary trash;
    addElement(field, PlistValue(QStringLiteral("bin")), &trash);
    m_library.setTrash(trash);

    EXPECT_EQ(
        field->completionsForPrefix(QStringLiteral("b")), QStringList { QStringLiteral("b") });
    EXPECT_EQ(field->completionsForPrefix(QString()),
        (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
}

TEST_F(MediaUserFieldTest, PlainFieldCompletionsKeepCaseInTheMatchAndIgnoreItInTheOrder)
{
    const MediaUserFieldPtr field = m_library.createFieldWithName(QStringLiteral("Camera"));
    addElement(field, PlistValue(QStringLiteral("beta")));
    addElement(field, PlistValue(QStringLiteral("Alpha, Two")));
    addElement(field, PlistValue(QStringLiteral("alpha")));
    addElement(field, PlistValue(QStringLiteral("Beta")));
    addElement(field, PlistValue());

    EXPECT_EQ(
        field->completionsForPrefix(QStringLiteral("al")), QStringList { QStringLiteral("alpha") });
    EXPECT_EQ(field->completionsForPrefix(QStringLiteral("A")),
        QStringList { QStringLiteral("Alpha, Two") });
    EXPECT_EQ(
        field->completionsForPrefix(QStringLiteral(" ")), QStringList { QStringLiteral(" ") });
    const QStringList all = field->completionsForPrefix(QString());
    EXPECT_EQ(all.size(), 5);
    EXPECT_EQ(
        all.mid(1, 2), (QStringList { QStringLiteral("alpha"), QStringLiteral("Alpha, Two") }));
    EXPECT_TRUE(MediaUserField::create(nullptr)->completionsForPrefix(QString()).isEmpty());
}

TEST_F(MediaUserFieldTest, RemovedFieldsStayWithTheirValuesAndComeBackByName)
{
    const MediaUserFieldPtr camera = m_library.createFieldWithName(QStringLiteral("Camera"));
    const MediaUserFieldPtr lens = m_library.createFieldWithName(QStringLiteral("Lens"));
    const MediaElementPtr element = addElement(camera, PlistValue(QStringLiteral("A7")));

    // The settings sheet hands back edited copies of the fields it keeps.
    const MediaUserFieldPtr edited = lens->copy();
    EXPECT_EQ(*edited, *lens);
    edited->setName(QStringLiteral("Glass"));
    m_library.updateUserFields({ edited });

    EXPECT_TRUE(camera->removed());
    EXPECT_EQ(m_library.userFieldWithIdentifier(lens->identifier()), edited);
    EXPECT_EQ(
        m_library.userFieldWithIdentifier(lens->identifier())->name(), QStringLiteral("Glass"));
    EXPECT_EQ(m_library.activeUserFields(), QList<MediaUserFieldPtr> { edited });
    EXPECT_EQ(m_library.inactiveUserFields(), QList<MediaUserFieldPtr> { camera });
    EXPECT_EQ(element->valueForUndefinedKey(camera->identifier()).toString(), QStringLiteral("A7"));
    EXPECT_EQ(m_library.createFieldWithName(QStringLiteral("Camera")), camera);
}

TEST_F(MediaUserFieldTest, ArchiveKeepsEveryStoredValueInItsStoredForm)
{
    MediaUserField::registerArchiveCoder();
    const MediaUserFieldPtr field = MediaUserField::create(&m_library, QStringLiteral("Région"));
    field->setSplit(true);
    field->setRemoved(true);

    const QByteArray archive = KeyedArchiver::archivedData(PlistValue(field));
    const Result<PlistValue> read = KeyedUnarchiver::unarchive(archive);
    ASSERT_OK(read);
    const auto copy = std::dynamic_pointer_cast<MediaUserField>(read->toObject());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->description(), field->description());
    EXPECT_EQ(copy->library(), nullptr);
    EXPECT_EQ(fieldIdentifierOf(*read), field->identifier());

    // Packages written elsewhere expect the flags inline and the texts as objects.
    const Result<PlistValue> plist = PropertyList::read(archive);
    ASSERT_TRUE(plist.ok());
    bool found = false;
    for (const PlistValue &object : plist->value(QStringLiteral("$objects")).toArray()) {
        if (!object.value(QStringLiteral("split")).isValid())
            continue;
        found = true;
        EXPECT_EQ(object.value(QStringLiteral("split")).type(), PlistValue::Type::Bool);
        EXPECT_EQ(object.value(QStringLiteral("removed")).type(), PlistValue::Type::Bool);
        for (const char *key : { "owner", "identifier", "name" })
            EXPECT_EQ(object.value(QString::fromLatin1(key)).type(), PlistValue::Type::Uid) << key;
    }
    EXPECT_TRUE(found);
}
