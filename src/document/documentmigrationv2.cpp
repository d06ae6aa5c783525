#include "document/documentmigrationv2.h"

#include "document/document.h"
#include "model/applicationsettings.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"

#include <QSet>

namespace vidarium {

namespace {

// The elements of one stored dictionary. An identifier that cannot name an image
// file, or that an element of another dictionary already has, is replaced: each
// identifier lives in one dictionary only.
ElementDictionary storedElements(const PlistValue &stored, QSet<QString> &taken, int &skipped)
{
    ElementDictionary elements;
    if (stored.type() != PlistValue::Type::Dictionary) {
        if (!stored.isAbsent())
            ++skipped;
        return elements;
    }
    for (const PlistValue &value : stored.toDictionary()) {
        auto element = std::dynamic_pointer_cast<MediaElement>(value.toObject());
        if (!element) {
            ++skipped;
            continue;
        }
        if (!MediaLibrary::isValidIdentifier(element->identifier())
            || taken.contains(element->identifier()))
            element->setIdentifier(MediaLibrary::generateUUID());
        taken.insert(element->identifier());
        elements.insert(element->identifier(), element);
    }
    return elements;
}

template <typename T>
QHash<QString, std::shared_ptr<T>> storedObjects(const PlistValue &stored, int &skipped)
{
    QHash<QString, std::shared_ptr<T>> objects;
    if (stored.type() != PlistValue::Type::Dictionary) {
        if (!stored.isAbsent())
            ++skipped;
        return objects;
    }
    for (const PlistValue &value : stored.toDictionary()) {
        auto object = std::dynamic_pointer_cast<T>(value.toObject());
        if (object && !object->identifier().isEmpty())
            objects.insert(object->identifier(), object);
        else
            ++skipped;
    }
    return objects;
}

QString storedText(const PlistValue &value)
{
    return value.type() == PlistValue::Type::String ? value.toString() : QString();
}

} // namespace

DocumentMigrationV2::DocumentMigrationV2(Document &document)
    : m_document(document)
{
}

Result<void> DocumentMigrationV2::readFromPackage(
    const QString &packagePath, const PlistValue &root)
{
    if (root.type() != PlistValue::Type::Dictionary)
        return Error(
            Error::Code::Corrupt, QStringLiteral("The catalogue of the older library is damaged."));

    auto defaults = std::dynamic_pointer_cast<DocumentDefaults>(
        root.value(QStringLiteral("Defaults")).toObject());
    if (defaults)
        m_document.setDefaults(defaults);
    else if (root.value(QStringLiteral("Defaults")).isValid())
        ++m_skippedRecords;

    MediaLibrary &library = m_document.library();
    const QString identifier = storedText(root.value(QStringLiteral("Identifier")));
    if (!identifier.isEmpty())
        library.setIdentifier(identifier);
    library.setBatch(storedText(root.value(QStringLiteral("Batch"))));

    QSet<QString> taken;
    library.setMedia(
        storedElements(root.value(QStringLiteral("Elements")), taken, m_skippedRecords));
    library.setTrash(storedElements(root.value(QStringLiteral("Trash")), taken, m_skippedRecords));
    library.setError(storedElements(root.value(QStringLiteral("Error")), taken, m_skippedRecords));
    library.setUserFields(
        storedObjects<MediaUserField>(root.value(QStringLiteral("UserFields")), m_skippedRecords));
    library.setUserKeywords(storedObjects<MediaUserKeyword>(
        root.value(QStringLiteral("UserKeywords")), m_skippedRecords));
    library.adoptStoredPlaylists(root.value(QStringLiteral("Playlists")));
    library.setSourceNodes(root.value(QStringLiteral("NodeTree")));
    library.synchronize();
    m_document.adoptPackage(packagePath);
    m_document.setVersionAlert();

    if (m_skippedRecords > 0)
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Older library: skipped %1 damaged records").arg(m_skippedRecords));
    return {};
}

} // namespace vidarium
