#pragma once

// This program's version: the project version and the build number the build
// was given, and the text the welcome and about windows show.
// Threads: any.

#include <QString>

namespace vidarium {

class VersionInfo
{
public:
    static QString shortVersion();
    static QString buildNumber();
    // "Version 0.1.0 (4D2)" for build 1234.
    static QString versionString();
};

} // namespace vidarium
