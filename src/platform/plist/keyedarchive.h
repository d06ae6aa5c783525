#pragma once

// Everything needed to archive and unarchive objects: include this one header.

#include "platform/plist/archivecoderregistry.h" // IWYU pragma: export
#include "platform/plist/archivedecoder.h" // IWYU pragma: export
#include "platform/plist/archivedobject.h" // IWYU pragma: export
#include "platform/plist/archiveencoder.h" // IWYU pragma: export
#include "platform/plist/genericarchivedobject.h" // IWYU pragma: export
#include "platform/plist/keyedarchiver.h" // IWYU pragma: export
#include "platform/plist/keyedunarchiver.h" // IWYU pragma: export
#include "platform/plist/sortdescriptor.h" // IWYU pragma: export
