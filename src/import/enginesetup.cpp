#include "enginesetup.h"

#include "document/documentmigration.h"
#include "import/av/avimportcontroller.h"

namespace vidarium {

void EngineSetup::registerComponents()
{
    DocumentMigration::registerLegacyReaders();
    AVImportController::registerWithDispatcher();
}

} // namespace vidarium
