#include "document/documentmigration.h"

#include "document/document.h"
#include "document/documentmigrationusher.h"
#include "document/documentmigrationv1.h"
#include "document/documentmigrationv2.h"

namespace vidarium {

void DocumentMigration::registerLegacyReaders()
{
    Document::setLegacyReader(Document::LegacyFormat::UsherExport,
        [](Document &document, const QString &path, const PlistValue &) {
            return DocumentMigrationUsher(document.library()).readFromFile(path);
        });
    Document::setLegacyReader(Document::LegacyFormat::LibraryV1,
        [](Document &document, const QString &path, const PlistValue &) {
            DocumentMigrationV1(document.library()).readFromPackage(path);
            return Result<void>();
        });
    Document::setLegacyReader(Document::LegacyFormat::LibraryV2,
        [](Document &document, const QString &path, const PlistValue &root) {
            return DocumentMigrationV2(document).readFromPackage(path, root);
        });
}

} // namespace vidarium
