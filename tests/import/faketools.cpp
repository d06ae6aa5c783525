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

bool writeScript(const QString &path, const QByteArray &text, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

ScopedSearchPath::ScopedSearchPath(const QString &folder)
    : m_saved(qgetenv("PATH"))
{
    qputenv("PATH", QFile::encodeName(folder));
}

ScopedSearchPath::~ScopedSearchPath()
{
    qputenv("PATH", m_saved);
}

} // namespace vidarium::test
