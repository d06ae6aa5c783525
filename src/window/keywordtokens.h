#pragma once

// The keyword names of the keywords sheet as one line of text, and what OK does
// with them: names are separated by commas, and a name that holds a comma or a
// double quote is written in double quotes (a quote inside doubled). Also the
// keywords every element of a selection carries, and applying the edited names
// to the elements.
// Threads: main thread (the library functions); the text functions are pure.

#include "model/mediaelement.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace vidarium {

class MediaLibrary;

namespace KeywordTokens {

// The names in `text`: tabs and line breaks count as spaces, each name is
// trimmed, blank ones are dropped and a repeated name is kept once. An
// unfinished quote runs to the end of the text.
QStringList parse(const QString &text);
// The names as one line, quoted where they need it.
QString format(const QStringList &names);
QString quoted(const QString &name);
// Where the last name of `text` starts (after its last separator).
qsizetype lastTokenStart(const QString &text);
// Sorted the way the field shows them: ignoring case, in the user's locale.
QStringList sortedNames(QStringList names);

// The first of `candidates` that begins with `prefix` (case counts; "*", "?"
// and "\" are plain text) and is longer; empty when none does.
QString completion(const QStringList &candidates, const QString &prefix);

// The keywords every one of `elements` carries, by name. Two keywords may have
// one name; the name then stands for all of its shared identifiers.
struct Shared
{
    QStringList identifiers;
    QHash<QString, QStringList> identifiersByName;
};
Shared sharedKeywords(const MediaLibrary &library, const MediaElementList &elements);

// Gives every element (of those still in the library) the keywords of `names`
// and takes away the shared keywords whose name is gone; a name the library
// does not know becomes a new keyword. Keywords only some elements carry are
// left alone. Returns whether any element changed.
bool apply(MediaLibrary &library, const MediaElementList &elements, const Shared &shared,
    const QStringList &names);

} // namespace KeywordTokens

} // namespace vidarium
