#include "document/documentexport.h"

#include "document/tabdelimitedexport.h"
#include "model/comparisons.h"
#include "model/medialibrary.h"
#include "platform/filepath.h"
#include "platform/plist/sortdescriptor.h"

#include <QDir>

#include <algorithm>
#include <numeric>

namespace vidarium {

DocumentExport::DocumentExport(MediaLibrary &library, WindowState window)
    : m_library(library)
    , m_window(std::move(window))
{
}

MediaElementList DocumentExport::elements() const
{
    MediaElementList range;
    switch (m_exportRange) {
    case AllElements:
        range = m_library.media().values();
        break;
    case SelectedCollection:
        range = m_window.selectedNodeElements;
        break;
    case ArrangedItems:
        range = m_window.arrangedElements;
        break;
    case SelectedItems:
        range = m_window.selectedElements;
        break;
    default:
        return {};
    }
    return sortedElements(range, m_window.sortDescriptors);
}

MediaElementList DocumentExport::sortedElements(
    const MediaElementList &elements, const SortDescriptorList &descriptors)
{
    QList<std::shared_ptr<const SortDescriptor>> used;
    for (const auto &descriptor : descriptors) {
        if (descriptor && !descriptor->key().isEmpty())
            used.append(descriptor);
    }
    if (used.isEmpty() || elements.size() < 2)
        return elements;

    // Each element's sort values are read once, not at every comparison.
    QList<PlistArray> keys(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i) {
        keys[i].reserve(used.size());
        for (const auto &descriptor : used)
            keys[i].append(elements[i]->valueForKeyPath(descriptor->key()));
    }
    QList<qsizetype> order(elements.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype d = 0; d < used.size(); ++d) {
            ComparisonResult result = compareValues(keys[a][d], keys[b][d], used[d]->selector());
            if (result == ComparisonResult::Same)
                continue;
            if (!used[d]->ascending())
                result = result == ComparisonResult::Ascending ? ComparisonResult::Descending
                                                               : ComparisonResult::Ascending;
            return result == ComparisonResult::Ascending;
        }
        return false;
    });
    MediaElementList sorted;
    sorted.reserve(elements.size());
    for (qsizetype index : order)
        sorted.append(elements[index]);
    return sorted;
}

Result<void> DocumentExport::exportFiles(int kind, const QString &path)
{
    ElementImage image;
    switch (kind) {
    case Database:
        return exportDatabase(path);
    case Posters:
        image = ElementImage::Poster;
        break;
    case Thumbnails:
        image = ElementImage::Thumbnail;
        break;
    case Filmstrips:
        image = ElementImage::Filmstrip;
        break;
    case Storyboards:
        image = ElementImage::Storyboard;
        break;
    default:
        return {};
    }
    Result<int> written = exportImages(image, path);
    if (!written)
        return written.error();
    return {};
}

Result<void> DocumentExport::exportDatabase(const QString &path)
{
    return TabDelimitedExport::writeFile(path, TabDelimitedExport::text(m_library, elements()));
}

Result<int> DocumentExport::exportImages(ElementImage image, const QString &folder)
{
    if (!isFolder(folder))
        return Error(
            Error::Code::NotFound, QStringLiteral("%1 is not a folder").arg(displayPath(folder)));
    int written = 0;
    for (const MediaElementPtr &element : elements()) {
        const QByteArray data = m_library.imageDataForElement(image, *element);
        if (data.isEmpty())
            continue;
        // Named after the element's file, bytes that are not UTF-8 included.
        if (writeNewFile(uniqueFileForElement(*element, folder), data))
            ++written;
    }
    return written;
}

QString DocumentExport::uniqueFileForElement(const MediaElement &element, const QString &folder)
{
    return uniqueFileForName(element.name(), folder);
}

QString DocumentExport::uniqueFileForName(const QString &name, const QString &folder)
{
    const QDir dir(folder);
    QString candidate = dir.filePath(name + QStringLiteral(".jpg"));
    for (qint64 counter = 1; fileStatus(candidate, Links::DoNotFollow); ++counter)
        candidate = dir.filePath(QStringLiteral("%1_%2.jpg").arg(name).arg(counter));
    return candidate;
}

} // namespace vidarium
