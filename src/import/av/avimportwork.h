#pragma once

// The decoding behind each step of the in-process importer: read a file's
// properties, make its thumbnail, make a storyboard or filmstrip. It answers
// protocol requests so that it can run inside a decode helper process, where
// a decoder that crashes on a damaged file takes only the helper down.
// Threads: any thread; calls share nothing.

#include <QCborMap>

namespace vidarium {

class AVImportWork
{
public:
    // Carries out one request and gives its answer; never throws. The crash and
    // hang requests are refused unless allowTestRequests is set.
    static QCborMap perform(const QCborMap &request, bool allowTestRequests);

    static QCborMap properties(const QString &path);
    static QCborMap thumbnail(const QString &path, double position, int threads);
    static QCborMap sheet(const QCborMap &request);
};

} // namespace vidarium
