#include "archivedobject.h"

namespace vidarium {

QStringList ArchivedObject::classChain() const
{
    return { className(), QStringLiteral("NSObject") };
}

} // namespace vidarium
