#pragma once

// Everything needed to archive and unarchive objects: include this one header.

#include "platform/archivecoderregistry.h"   // IWYU pragma: export
#include "platform/archivedecoder.h"         // IWYU pragma: export
#include "platform/archivedobject.h"         // IWYU pragma: export
#include "platform/archiveencoder.h"         // IWYU pragma: export
#include "platform/genericarchivedobject.h"  // IWYU pragma: export
#include "platform/keyedarchiver.h"          // IWYU pragma: export
#include "platform/keyedunarchiver.h"        // IWYU pragma: export
#include "platform/sortdescriptor.h"         // IWYU pragma: export
