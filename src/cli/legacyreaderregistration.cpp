// Every vidarium-cli command reads older libraries and Usher exports wherever it
// takes a library: the readers are handed to the document reader at start.

#include "document/documentmigration.h"

namespace {

const bool registered = [] {
    vidarium::DocumentMigration::registerLegacyReaders();
    return true;
}();

} // namespace
