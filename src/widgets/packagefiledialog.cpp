#include "packagefiledialog.h"

#include <QDir>
#include <QFileInfo>

namespace vidarium {

PackageFileDialog::PackageFileDialog(QWidget *parent, const QStringList &packageExtensions)
    : QFileDialog(parent)
    , m_packageExtensions(packageExtensions)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    connect(this, &QFileDialog::directoryEntered, this, &PackageFileDialog::enteredDirectory);
}

bool PackageFileDialog::isPackage(const QString &path, const QStringList &packageExtensions)
{
    const QFileInfo info(path);
    return info.isDir() && packageExtensions.contains(info.suffix(), Qt::CaseInsensitive);
}

bool PackageFileDialog::allSelectedArePackages() const
{
    const QStringList selected = selectedFiles();
    if (selected.isEmpty())
        return false;
    for (const QString &path : selected) {
        const bool chosen
            = m_foldersSelectable ? QFileInfo::exists(path) : isPackage(path, m_packageExtensions);
        if (!chosen)
            return false;
    }
    return true;
}

void PackageFileDialog::accept()
{
    // Qt would open a chosen folder; a package is the answer itself.
    if (allSelectedArePackages()) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}

void PackageFileDialog::enteredDirectory(const QString &directory)
{
    if (m_returningPackage || !isPackage(directory, m_packageExtensions))
        return;
    // A double click walked into a package: step back out and answer with it.
    m_returningPackage = true;
    setDirectory(QFileInfo(directory).absolutePath());
    selectFile(directory);
    m_returningPackage = false;
    QDialog::accept();
}

} // namespace vidarium
