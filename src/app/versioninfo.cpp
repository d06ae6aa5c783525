#include "versioninfo.h"

#include "model/applicationsettings.h"

#ifndef VIDARIUM_BUILD_NUMBER
#define VIDARIUM_BUILD_NUMBER "1"
#endif

namespace vidarium {

QString VersionInfo::shortVersion()
{
    return QStringLiteral(VIDARIUM_VERSION);
}

QString VersionInfo::buildNumber()
{
    return QStringLiteral(VIDARIUM_BUILD_NUMBER);
}

QString VersionInfo::versionString()
{
    return ApplicationSettings::versionString(shortVersion(), buildNumber());
}

} // namespace vidarium
