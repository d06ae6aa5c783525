#pragma once

// Whether a file can be the moved file of a missing element: same extension
// (case counts), same size, modification dates at most 48 hours apart. Also the
// place where another missing file should be when one was found elsewhere, and
// the scan that finds the missing elements and the files the others hold.
// Threads: matches() and candidatePath() on any thread; scan() on a worker
// (it only reads paths, bookmarks and what the disk says).

#include "model/mediaelement.h"
#include "platform/fileidentity.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <optional>

namespace vidarium {

class RelinkMatcher
{
public:
    static constexpr double MaximumDateDistance = 172800; // seconds, either direction

    // What the sheet needs of a missing element, read on the main thread.
    struct Facts
    {
        QString path;
        QString extension;
        qint64 size = 0;
        std::optional<double> modified; // seconds since 2001; nothing when unknown
    };
    static Facts factsOf(const MediaElement &element);

    enum class Verdict { Matches, Unreadable, NotAFile, Extension, Size, Date, NoDate };
    struct Check
    {
        Verdict verdict = Verdict::Unreadable;
        QString path; // the file itself: links followed, ".." resolved
        FileIdentity identity;
    };
    // Looks at the file `candidate` names (following links) for `element`.
    static Check check(const QString &candidate, const Facts &element);
    static bool matches(const QString &candidate, const Facts &element)
    {
        return check(candidate, element).verdict == Verdict::Matches;
    }
    // Why a file was refused, for the user.
    static QString reason(Verdict verdict);

    // Where `other` should be when `located` (its old path) is now at `found`:
    // the same place relative to it. Empty when there is none.
    static QString candidatePath(
        const QString &located, const QString &found, const QString &other);

    struct Scan
    {
        MediaElementList missing;
        // The files the elements that are not missing hold, to refuse them.
        QHash<FileIdentity, QString> heldBy; // identity -> element identifier
    };
    // Sorts `elements` into missing and found; `progress` counts the elements
    // done; gives nothing when `cancelled` turns true meanwhile.
    static Scan scan(const MediaElementList &elements, std::atomic<int> &progress,
        const std::atomic<bool> &cancelled);
};

} // namespace vidarium
