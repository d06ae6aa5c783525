#include "relinkmatcher.h"

#include "model/elementfiles.h"
#include "model/stringutilities.h"
#include "platform/bookmark.h"
#include "platform/filepath.h"
#include "platform/parallel.h"

#include <QDir>
#include <QObject>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vidarium {

namespace {

// Seconds between the Unix epoch and 2001-01-01, the element dates' origin.
constexpr double Epoch2001 = 978307200.0;

bool statFile(const QString &path, struct stat *info)
{
    return ::stat(encodePath(path).constData(), info) == 0;
}

// The file a path names with links and ".." resolved; empty when it cannot be
// reached (missing, a folder on the way without permission, a broken link).
QString realPath(const QString &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(encodePath(path).constData(), nullptr), &std::free);
    return resolved ? decodePath(QByteArray(resolved.get())) : QString();
}

} // namespace

RelinkMatcher::Facts RelinkMatcher::factsOf(const MediaElement &element)
{
    Facts facts;
    facts.path = element.path();
    facts.extension = element.extension();
    facts.size = element.size();
    const double modified = element.modifiedDate().secondsSince2001;
    // A date never recorded reads as the origin: it says nothing about the file.
    if (std::isfinite(modified) && modified != 0)
        facts.modified = modified;
    return facts;
}

RelinkMatcher::Check RelinkMatcher::check(const QString &candidate, const Facts &element)
{
    Check result;
    if (candidate.isEmpty())
        return result;
    result.path = realPath(candidate);
    struct stat info
    {
    };
    if (result.path.isEmpty() || !statFile(result.path, &info))
        return result;
    result.identity = { quint64(info.st_dev), quint64(info.st_ino) };
    if (!S_ISREG(info.st_mode)) {
        result.verdict = Verdict::NotAFile;
        return result;
    }
    if (ElementFiles::splitFileName(result.path).extension != element.extension) {
        result.verdict = Verdict::Extension;
        return result;
    }
    if (qint64(info.st_size) != element.size) {
        result.verdict = Verdict::Size;
        return result;
    }
    if (!element.modified) {
        result.verdict = Verdict::NoDate;
        return result;
    }
    const double modified
        = double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9 - Epoch2001;
    result.verdict = std::abs(modified - *element.modified) <= MaximumDateDistance
        ? Verdict::Matches
        : Verdict::Date;
    return result;
}

QString RelinkMatcher::reason(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Matches:
        return {};
    case Verdict::Unreadable:
        return QObject::tr("The file cannot be read.");
    case Verdict::NotAFile:
        return QObject::tr("It is not a file.");
    case Verdict::Extension:
        return QObject::tr("Its extension differs from the original's.");
    case Verdict::Size:
        return QObject::tr("Its size differs from the original's.");
    case Verdict::Date:
        return QObject::tr("It was modified more than 48 hours before or after the original.");
    case Verdict::NoDate:
        return QObject::tr("The library does not know when the original was modified, so no "
                           "file can be recognised as it.");
    }
    return {};
}

QString RelinkMatcher::candidatePath(
    const QString &located, const QString &found, const QString &other)
{
    if (located.isEmpty() || found.isEmpty() || other.isEmpty())
        return {};
    const QString relative = stringWithPathRelativeTo(other, located);
    if (relative.isEmpty())
        return {};
    return QDir::cleanPath(found + QLatin1Char('/') + relative);
}

RelinkMatcher::Scan RelinkMatcher::scan(const MediaElementList &elements,
    std::atomic<int> &progress, const std::atomic<bool> &cancelled)
{
    // Each element costs a file system call (a bookmark search for the missing),
    // so the work is shared with a second thread; results keep the input order.
    std::vector<qint8> missing(size_t(elements.size()), 0);
    std::vector<std::optional<FileIdentity>> held(size_t(elements.size()));
    splitOverWorker(
        size_t(elements.size()), ParallelSplit { 256, 2048 }, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                if (cancelled.load(std::memory_order_relaxed))
                    return;
                const MediaElement &element = *elements.at(qsizetype(i));
                struct stat info
                {
                };
                const QString path = element.path();
                bool found = !path.isEmpty() && statFile(path, &info);
                if (!found) {
                    // The bookmark may still find the file elsewhere: then it is not missing.
                    const std::optional<QString> moved = Bookmark::resolvePath(element.bookmark());
                    found = moved && statFile(*moved, &info);
                }
                if (found)
                    held[i] = FileIdentity { quint64(info.st_dev), quint64(info.st_ino) };
                else
                    missing[i] = 1;
                progress.fetch_add(1, std::memory_order_relaxed);
            }
        });
    Scan scan;
    if (cancelled.load())
        return scan;
    scan.heldBy.reserve(qsizetype(elements.size()));
    for (size_t i = 0; i < missing.size(); ++i) {
        if (missing[i])
            scan.missing.append(elements.at(qsizetype(i)));
        else if (held[i])
            scan.heldBy.insert(*held[i], elements.at(qsizetype(i))->identifier());
    }
    return scan;
}

} // namespace vidarium
