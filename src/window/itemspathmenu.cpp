#include "itemspathmenu.h"

#include "model/stringutilities.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSet>
#include <QStandardPaths>

#include <unistd.h>

namespace vidarium {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ItemsPathMenu", text);
}

// Folders that exist only to hold the mount points of other volumes: showing
// them between the root and a disk's own folders says nothing.
QSet<QString> mountContainers()
{
    const QString user = qEnvironmentVariable("USER");
    QSet<QString> folders { QStringLiteral("/media"), QStringLiteral("/run"),
        QStringLiteral("/run/media") };
    if (!user.isEmpty()) {
        folders.insert(QStringLiteral("/media/") + user);
        folders.insert(QStringLiteral("/run/media/") + user);
    }
    return folders;
}

} // namespace

QString ItemsPathMenu::homeTrashFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Trash/files");
}

bool ItemsPathMenu::isInTrash(const QString &path, const QString &homeTrash)
{
    const QString clean = QDir::cleanPath(path);
    if (!homeTrash.isEmpty() && clean.startsWith(QDir::cleanPath(homeTrash) + QLatin1Char('/')))
        return true;
    const QString uid = QString::number(::getuid());
    return clean.contains(QStringLiteral("/.Trash-") + uid + QStringLiteral("/files/"))
        || clean.contains(QStringLiteral("/.Trash/") + uid + QStringLiteral("/files/"));
}

QList<ItemsPathMenu::Entry> ItemsPathMenu::entries(const QString &path)
{
    return entries(path, homeTrashFolder());
}

QList<ItemsPathMenu::Entry> ItemsPathMenu::entries(const QString &path, const QString &homeTrash)
{
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(QLatin1Char('/')))
        return {};
    if (isInTrash(clean, homeTrash))
        return { { tr("Trash"), QString(), true }, { QFileInfo(clean).fileName(), clean } };
    QList<Entry> result { { tr("Computer"), QStringLiteral("/") } };
    const QSet<QString> skipped = mountContainers();
    QString prefix;
    for (const QString &component : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + component;
        if (skipped.contains(prefix))
            continue;
        result.append({ component, prefix });
        // A package is one file to the user: what lies inside is not offered.
        if (isFilePackage(prefix))
            break;
    }
    return result;
}

void ItemsPathMenu::fill(
    QMenu *menu, const QString &path, const std::function<void(const QString &)> &reveal)
{
    menu->clear();
    const QFileIconProvider icons;
    const QList<Entry> all = entries(path);
    for (const Entry &entry : all) {
        QAction *item = menu->addAction(entry.title);
        if (entry.isTrash) {
            item->setIcon(QIcon::fromTheme(
                QStringLiteral("user-trash-full"), QIcon::fromTheme(QStringLiteral("user-trash"))));
            item->setEnabled(false);
            continue;
        }
        // A folder that is not there (an unplugged disk) still shows as a folder.
        const QFileInfo file(entry.path);
        QIcon icon = icons.icon(file);
        if (icon.isNull())
            icon = icons.icon(&entry == &all.last() ? QAbstractFileIconProvider::File
                                                    : QAbstractFileIconProvider::Folder);
        item->setIcon(icon.pixmap(16, 16));
        const QString target = entry.path;
        QObject::connect(item, &QAction::triggered, menu, [reveal, target] { reveal(target); });
    }
}

} // namespace vidarium
