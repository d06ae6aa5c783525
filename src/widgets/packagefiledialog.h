#pragma once

// An open dialog that shows a library package (a folder ending in ".vidarium")
// as one file: choosing it, by the OK button or by a double click, returns
// the package instead of entering it. Qt's own (non-native) dialog is used,
// since the desktop's portal dialogs cannot treat a folder as a file.
// Threads: main thread.

#include <QFileDialog>

namespace vidarium {

class PackageFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    // Name endings of folders shown as files.
    explicit PackageFileDialog(QWidget *parent = nullptr,
        const QStringList &packageExtensions = { QStringLiteral("vidarium") });

    static bool isPackage(const QString &path, const QStringList &packageExtensions);
    // Folders can be chosen too (by the OK button; a double click still enters them).
    void setFoldersSelectable(bool selectable) { m_foldersSelectable = selectable; }

public slots:
    void accept() override;

private:
    void enteredDirectory(const QString &directory);
    bool allSelectedArePackages() const;

    QStringList m_packageExtensions;
    bool m_returningPackage = false;
    bool m_foldersSelectable = false;
};

} // namespace vidarium
