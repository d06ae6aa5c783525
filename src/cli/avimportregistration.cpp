// vidarium-cli reads files in process by default: the dispatcher it makes gets
// the in-process importer, which hands what it cannot read to the external tools.

#include "import/av/avimportcontroller.h"

namespace {

const bool registered = [] {
    vidarium::AVImportController::registerWithDispatcher();
    return true;
}();

} // namespace
