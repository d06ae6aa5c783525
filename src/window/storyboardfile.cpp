#include "window/storyboardfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vidarium {

namespace {

// Far more than any folder holds of one name; keeps a hostile folder from
// turning the search into an endless loop.
constexpr int maxAttempts = 100000;
// File systems allow 255 bytes; leave room for "_99999.jpg".
constexpr int maxNameBytes = 240;

QString candidate(const QString &folder, const QString &base, int attempt)
{
    const QString name = attempt == 0 ? base : base + QLatin1Char('_') + QString::number(attempt);
    return QDir(folder).filePath(name + QStringLiteral(".jpg"));
}

} // namespace

QString StoryboardFile::baseNameForElementName(const QString &name)
{
    QString base = name;
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    base.replace(QChar(0), QLatin1Char('_'));
    while (base.toUtf8().size() > maxNameBytes)
        base.chop(1);
    if (base.trimmed().isEmpty() || base == QLatin1String(".") || base == QLatin1String(".."))
        return QStringLiteral("Storyboard");
    return base;
}

QString StoryboardFile::uniqueFileForElement(const QString &elementName, const QString &folder)
{
    const QString base = baseNameForElementName(elementName);
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        const QString path = candidate(folder, base, attempt);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return path;
    }
    return {};
}

Result<QString> StoryboardFile::write(
    const QString &elementName, const QByteArray &jpeg, const QString &folder)
{
    if (jpeg.isEmpty())
        return Error(Error::Code::NotFound, QObject::tr("There is no storyboard to write."));
    const QString base = baseNameForElementName(elementName);
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        const QString path = candidate(folder, base, attempt);
        QFile file(path);
        // NewOnly fails on any existing name, a dangling link included, so
        // nothing that is there is ever overwritten or followed.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
                continue;
            return Error(Error::Code::Io,
                QObject::tr("The storyboard could not be written to “%1”: %2")
                    .arg(folder, file.errorString()));
        }
        if (file.write(jpeg) != jpeg.size()) {
            const QString reason = file.errorString();
            file.remove();
            return Error(Error::Code::Io,
                QObject::tr("The storyboard could not be written to “%1”: %2").arg(path, reason));
        }
        return path;
    }
    return Error(Error::Code::Io, QObject::tr("No free file name was found in “%1”.").arg(folder));
}

} // namespace vidarium
