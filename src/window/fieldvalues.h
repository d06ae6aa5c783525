#pragma once

// What the fields sheet shows for a selection: for the comments and each user
// field, the one value all elements share, or that they differ. Values are
// copied from the elements on the main thread (cheap: the texts are shared),
// so the comparison can run on a worker for large selections.
// Threads: take() on the main thread; compute() on any thread.

#include "model/mediaelement.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vidarium {

class FieldValues
{
public:
    struct Summary
    {
        bool multiple = false;
        QString value; // the shared value; empty when they differ
    };

    // The elements' comments and field values, and the fields to compare.
    static FieldValues take(const MediaElementList &elements, const QStringList &fields);
    // Each field in take()'s order, then the comments. An element without a value
    // for a field counts as the empty value, so a field nobody filled is one value.
    QList<Summary> compute() const;

    // A field is one line: tabs and line breaks become spaces.
    static QString singleLine(const QString &text);

private:
    QStringList m_fields;
    QList<PlistDictionary> m_values;
    QStringList m_comments;
};

} // namespace vidarium
