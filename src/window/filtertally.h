#pragma once

// What the elements of a filter list's source contribute (one property's
// values, keyword identifiers), counted by value, and kept current without
// reading every element again. It remembers each element's contribution, so
// after elements joined or left the list (an import's newcomers) or announced
// a change, only those are read: the old contribution comes off, the new one
// goes on. A list much unlike the last one (another collection), many changes
// at once, or another kind of contribution counts everything again.
// Threads: main thread, like the library; a count of everything borrows one
// worker, so `contribute` must be safe to call on two threads at once.

#include "model/mediaelement.h"
#include "platform/plist/plistvalue.h"

#include <QHash>
#include <QMetaObject>
#include <QSet>
#include <QString>

#include <functional>
#include <unordered_map>
#include <vector>

namespace vidarium {

class MediaLibrary;

struct PlistValueHash
{
    size_t operator()(const PlistValue &value) const;
};

class FilterTally
{
public:
    // What one element contributes; nothing (an absent value) counts nowhere.
    using Contribute = std::function<PlistValue(const MediaElement &)>;
    // One value, or several: the members of an array, each counted on its own
    // (the contribution lists each member once).
    enum class Values { One, Several };
    using Counts = std::unordered_map<PlistValue, int, PlistValueHash>;

    explicit FilterTally(MediaLibrary &library);
    ~FilterTally();
    FilterTally(const FilterTally &) = delete;
    FilterTally &operator=(const FilterTally &) = delete;

    // `what` names the contribution: another name than the last one's, or
    // other values, counts everything again. `reads` are the keys (or key
    // paths) it reads: changes of other keys leave the counts as they are.
    void setContribution(const QString &what, const QStringList &reads, Contribute contribute,
        Values values = Values::One);
    // Forgets the counts: values that change without an element announcing it.
    void reset();
    const Counts &count(const MediaElementList &elements);
    // How many elements the last count read (the tests and the benchmark read it).
    qsizetype lastRead() const { return m_lastRead; }

private:
    void elementValuesChanged(const QString &identifier, const QSet<QString> &keys);
    qsizetype manyChanges(qsizetype size) const;
    void countEverything(const MediaElementList &elements);
    // False when so many elements are new that counting everything is cheaper.
    bool countChanges(const MediaElementList &elements);
    void add(const PlistValue &contribution, Counts &counts) const;
    void remove(const PlistValue &contribution);

    MediaLibrary &m_library;
    QMetaObject::Connection m_connection;
    QString m_what;
    QSet<QString> m_reads;
    Contribute m_contribute;
    Values m_values = Values::One;
    bool m_counted = false;
    // The list last counted, which keeps its elements and so the addresses
    // below alive. Each element has a slot with its contribution and the count
    // that last found it in the list; slots of elements that left stay empty
    // until everything is counted again.
    MediaElementList m_elements;
    QHash<const MediaElement *, size_t> m_slots;
    std::vector<PlistValue> m_contributions;
    std::vector<quint32> m_stamps;
    quint32 m_stamp = 0;
    Counts m_counts;
    // Elements that announced a change since the last count.
    QSet<const MediaElement *> m_changed;
    qsizetype m_lastRead = 0;
};

} // namespace vidarium
