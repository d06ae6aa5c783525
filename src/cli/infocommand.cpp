// vidarium-cli info: what a library holds, in numbers.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/mediaplaylist.h"

#include <algorithm>

namespace vidarium::cli {

namespace {

int runInfo(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 1) {
        printError(QStringLiteral("usage: vidarium-cli info LIBRARY"));
        return 2;
    }
    std::unique_ptr<Document> document = openLibrary(arguments.first());
    if (!document)
        return 1;
    const MediaLibrary &library = document->library();
    QString output;
    output += QStringLiteral("identifier\t%1\n").arg(library.identifier());
    output += QStringLiteral("format\t%1\n").arg(document->storedFormat());
    output += QStringLiteral("media\t%1\n").arg(library.media().size());
    output += QStringLiteral("trash\t%1\n").arg(library.trash().size());
    output += QStringLiteral("unreadable\t%1\n").arg(library.error().size());

    const QList<MediaPlaylistPtr> playlists = sortedPlaylists(library);
    for (const MediaPlaylistPtr &playlist : std::as_const(playlists))
        output
            += QStringLiteral("collection\t%1\t%2\n").arg(playlist->name()).arg(playlist->count());
    printOut(output);
    return 0;
}

const CliCommandRegistration registration({
    QStringLiteral("info"),
    QStringLiteral("info LIBRARY"),
    QStringLiteral(
        "Show a library's identifier, catalogue format and the counts of its media, trash, "
        "unreadable elements and every collection."),
    runInfo,
});

} // namespace

} // namespace vidarium::cli
