// Every vidarium-cli command reads older libraries and Usher exports wherever it
// takes a library, and reads files in process by default: the readers and the
// in-process importer are registered at start, as the window program does.

#include "import/enginesetup.h"

namespace {

const bool registered = [] {
    vidarium::EngineSetup::registerComponents();
    return true;
}();

} // namespace
