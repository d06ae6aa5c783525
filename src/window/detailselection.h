#pragma once

// What the inspector shows of the selected elements: for a property, the one
// value they share, or that nothing is selected, or that their values differ;
// and the keywords any of them carries. A select-all of a hundred thousand
// elements is compared only until the first difference.
// Threads: main thread (it reads elements the main thread owns).

#include "model/mediaelement.h"
#include "platform/plist/plistvalue.h"

#include <QList>
#include <QString>

#include <memory>

namespace vidarium {

class MediaLibrary;
class MediaUserKeyword;
using MediaUserKeywordPtr = std::shared_ptr<MediaUserKeyword>;

class DetailSelection
{
public:
    enum class State { NoSelection, MultipleValues, Common };
    struct Value
    {
        State state = State::NoSelection;
        PlistValue value; // valid only for Common
    };

    static QString noSelectionText();
    static QString multipleValuesText();

    void setElements(const MediaElementList &elements) { m_elements = elements; }
    const MediaElementList &elements() const { return m_elements; }
    int count() const { return int(m_elements.size()); }
    bool isEmpty() const { return m_elements.isEmpty(); }
    MediaElementPtr single() const { return count() == 1 ? m_elements.first() : nullptr; }

    // The selection's value for a property key or a user field identifier.
    Value valueForKey(const QString &key) const;
    // The placeholder for a state that has no value; empty for Common.
    static QString placeholder(State state);

    // The library's keywords that any selected element carries (identifiers the
    // library does not know are passed over), sorted by name as numbers read.
    QList<MediaUserKeywordPtr> keywordUnion(const MediaLibrary &library) const;
    static void sortKeywords(QList<MediaUserKeywordPtr> &keywords);

    // Keys whose value would need the disk or an image decode per element: the
    // inspector shows nothing for them rather than stall.
    static bool isShowable(const QString &key);

private:
    MediaElementList m_elements;
};

} // namespace vidarium
