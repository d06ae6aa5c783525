#include "clielements.h"

#include "clicommand.h"

#include "model/mediauserfield.h"

namespace vidarium::cli {

MediaElementPtr findElement(const MediaLibrary &library, const QString &identifier)
{
    MediaElementPtr element = library.elementWithIdentifier(identifier.trimmed().toUpper());
    if (!element)
        printError(QStringLiteral("the library has no element '%1' (see 'vidarium-cli list')")
                       .arg(identifier));
    return element;
}

MediaUserFieldPtr findUserField(const MediaLibrary &library, const QString &nameOrIdentifier)
{
    for (const MediaUserFieldPtr &field : library.activeUserFields()) {
        if (field->name() == nameOrIdentifier)
            return field;
    }
    return library.userFieldWithIdentifier(nameOrIdentifier);
}

} // namespace vidarium::cli
