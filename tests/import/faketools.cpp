#include "faketools.h"

#include <QFile>

namespace vidarium::test {

QString fakeTool(const QString &folder, const QString &tool, const QString &mode)
{
    const QString path = folder + QLatin1Char('/') + tool + QLatin1Char('-') + mode;
    QFile::remove(path);
    QFile::link(QStringLiteral(VIDARIUM_FAKETOOL), path);
    return path;
}

} // namespace vidarium::test
