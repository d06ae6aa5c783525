#include "enginesetup.h"

#include "document/documentmigration.h"
#include "import/av/avimportcontroller.h"
#include "import/dispatchcontroller.h"
#include "import/ff/ffimportcontroller.h"

namespace vidarium {

void EngineSetup::registerComponents()
{
    DocumentMigration::registerLegacyReaders();
}

void EngineSetup::installImportTools(
    DispatchController &dispatcher, std::optional<std::chrono::milliseconds> programTimeLimit)
{
    UserDefaults &defaults = dispatcher.defaults();
    auto external = std::make_unique<FFImportController>(dispatcher, defaults);
    if (programTimeLimit)
        external->setLimits({ *programTimeLimit, *programTimeLimit });
    auto inProcess = std::make_unique<AVImportController>(dispatcher, defaults, *external);
    dispatcher.setTools(std::move(inProcess), std::move(external));
    dispatcher.updateMaximumOperations();
}

} // namespace vidarium
