#include "panels.h"

#include "document/document.h"
#include "widgets/packagefiledialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QTimer>

namespace vidarium {

namespace {

Panels::Override &currentOverride()
{
    static Panels::Override answer;
    return answer;
}

QString nameFilter(const QString &title, const QStringList &extensions)
{
    if (extensions.isEmpty())
        return {};
    QStringList patterns;
    for (const QString &extension : extensions)
        patterns.append(QStringLiteral("*.") + extension);
    return QStringLiteral("%1 (%2)").arg(title, patterns.join(QLatin1Char(' ')));
}

// Offers only the files a request accepts; folders stay, to be walked into.
class AcceptedFilesProxy : public QSortFilterProxyModel
{
public:
    AcceptedFilesProxy(std::function<bool(const QString &)> accept, QObject *parent)
        : QSortFilterProxyModel(parent)
        , m_accept(std::move(accept))
    {
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || m_accept(files->filePath(index));
    }

private:
    std::function<bool(const QString &)> m_accept;
};

void addMessage(QFileDialog *dialog, const QString &message)
{
    auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
    if (message.isEmpty() || !grid)
        return;
    auto *label = new QLabel(message, dialog);
    label->setWordWrap(true);
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
}

QFileDialog *makeDialog(QWidget *parent, const Panels::Request &request)
{
    QFileDialog *dialog = nullptr;
    switch (request.kind) {
    case Panels::Kind::OpenLibraries:
        dialog = new PackageFileDialog(parent);
        dialog->setNameFilter(
            nameFilter(QObject::tr("Vidarium Library"), { Document::PackageExtension }));
        break;
    case Panels::Kind::ImportFiles:
        // Files and folders, several at once: a folder is searched for videos.
        {
            auto *files = new PackageFileDialog(parent, {});
            files->setFoldersSelectable(true);
            dialog = files;
            dialog->setNameFilter(nameFilter(QObject::tr("Videos"), request.extensions));
            break;
        }
    case Panels::Kind::SaveLibrary:
        dialog = new QFileDialog(parent);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(Document::PackageExtension);
        dialog->selectFile(request.suggestedName);
        break;
    case Panels::Kind::SaveFile:
        dialog = new QFileDialog(parent);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(request.suggestedName);
        break;
    case Panels::Kind::ChooseFile:
        dialog = new QFileDialog(parent);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilter(nameFilter(request.title, request.extensions));
        if (request.acceptFile)
            dialog->setProxyModel(new AcceptedFilesProxy(request.acceptFile, dialog));
        addMessage(dialog, request.message);
        break;
    case Panels::Kind::ChooseFolder:
        dialog = new QFileDialog(parent);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setFileMode(QFileDialog::Directory);
        break;
    }
    dialog->setWindowTitle(request.title);
    return dialog;
}

} // namespace

void Panels::setOverride(Override answer)
{
    currentOverride() = std::move(answer);
}

void Panels::run(QWidget *parent, const Request &request, Done done)
{
    if (currentOverride()) {
        const QStringList answer = currentOverride()(request);
        QTimer::singleShot(0, [done = std::move(done), answer] { done(answer); });
        return;
    }
    QFileDialog *dialog = makeDialog(parent, request);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, request, done = std::move(done)](int result) {
            QStringList paths
                = result == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
            if (request.kind == Kind::SaveLibrary && !paths.isEmpty())
                paths = QStringList { libraryPathForAnswer(paths.first()) };
            done(paths);
        });
    dialog->open();
}

QString Panels::libraryPathForAnswer(const QString &answer)
{
    if (answer.isEmpty())
        return answer;
    const QString suffix = QStringLiteral(".") + Document::PackageExtension;
    return answer.endsWith(suffix, Qt::CaseInsensitive) ? answer : answer + suffix;
}

} // namespace vidarium
