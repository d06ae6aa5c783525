#pragma once

// Reads a library of the second older format: the current package layout and
// catalogue archive, with the elements under "Elements" and no "Posters" folder.
// The library keeps its package (its images stay where they are) and is marked as
// read from an older version, so saving asks first; the first save adds the
// "Posters" folder with its 256 leaf folders, as it does for any package that
// lacks an image folder. Damaged entries are skipped and counted.
// Threads: main thread (fills the document).

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QString>

namespace vidarium {

class Document;

class DocumentMigrationV2
{
public:
    explicit DocumentMigrationV2(Document &document);

    // readFromLegacyFileWrapper, given the package and its unarchived catalogue.
    // Fails only when the catalogue is not a dictionary.
    Result<void> readFromPackage(const QString &packagePath, const PlistValue &root);

    int skippedRecords() const { return m_skippedRecords; }

private:
    Document &m_document;
    int m_skippedRecords = 0;
};

} // namespace vidarium
