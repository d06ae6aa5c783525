// vidarium-cli dump: prints a property list or keyed archive as JSON. The first thing
// to reach for when a library will not open: it shows what the file holds, and when
// the file is damaged it says where.

#include "clicommand.h"

#include "platform/plist/keyedunarchiver.h"
#include "platform/plist/plistjson.h"
#include "platform/plist/propertylist.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace vidarium::cli {

namespace {

const QString catalogueFileName = QStringLiteral("com.tallowmere.vidarium.collection.plist");

// A library package stands for its catalogue file.
QString resolvePath(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && QFileInfo::exists(QDir(path).filePath(catalogueFileName)))
        return QDir(path).filePath(catalogueFileName);
    return path;
}

int runDump(const QCommandLineParser &parser)
{
    const bool raw = parser.isSet(QStringLiteral("raw"));
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 1) {
        printError(QStringLiteral("usage: vidarium-cli dump [--raw] FILE"));
        return 2;
    }
    const QString path = arguments.first();

    const QString file = resolvePath(path);
    if (QFileInfo(file).isDir()) {
        printError(QStringLiteral("%1 is a folder, not a property list or library").arg(path));
        return 1;
    }
    Result<PlistValue> plist = PropertyList::readFile(file);
    if (!plist) {
        printError(plist.error().message());
        return 1;
    }
    PlistValue shown = *plist;
    if (!raw && KeyedUnarchiver::isKeyedArchive(shown)) {
        const bool hasRoot
            = shown.value(QStringLiteral("$top")).value(KeyedUnarchiver::rootKey).isValid();
        if (hasRoot) {
            Result<PlistValue> root = KeyedUnarchiver::unarchive(shown);
            if (!root) {
                printError(QStringLiteral("%1: %2 (try --raw to see the archive as stored)")
                               .arg(file, root.error().message()));
                return 1;
            }
            shown = *root;
        } else {
            Result<PlistDictionary> top = KeyedUnarchiver::unarchiveTopObjects(shown);
            if (!top) {
                printError(QStringLiteral("%1: %2 (try --raw to see the archive as stored)")
                               .arg(file, top.error().message()));
                return 1;
            }
            shown = PlistValue(*top);
        }
    }
    Result<QByteArray> json = PlistJson::toJson(shown);
    if (!json) {
        printError(QStringLiteral("%1: %2").arg(file, json.error().message()));
        return 1;
    }
    std::fwrite(json->constData(), 1, size_t(json->size()), stdout);
    std::fflush(stdout);
    return 0;
}

const CliCommandRegistration registration(CliCommand {
    QStringLiteral("dump"),
    QStringLiteral("dump [--raw] FILE"),
    QStringLiteral("Print a property list, keyed archive or library catalogue as JSON "
                   "(--raw: the archive as stored, without decoding its objects)."),
    runDump,
    { flagOption(QStringLiteral("raw"), QStringLiteral("The archive as stored.")) },
});

} // namespace

} // namespace vidarium::cli
