#pragma once

// The search field's text as criteria: runs of spaces fold to one, one space
// is trimmed at either end, and every word must occur (case and accents
// ignored) in one of the library's searched properties. Words travel as
// predicate arguments, so no text the user types is ever parsed as criteria.
// Threads: pure functions, any thread.

#include "model/predicate.h"

#include <QSet>
#include <QStringList>

#include <optional>

namespace vidarium::ItemsSearch {

// The words of a search text after folding its spaces; empty for a blank text.
QStringList searchWords(const QString &text);
// Nothing for a blank text.
std::optional<Predicate> searchPredicate(const QString &text, const QStringList &searchKeys);
// The conjunction of the criteria present, nothing when none is.
std::optional<Predicate> conjunction(const QList<std::optional<Predicate>> &predicates);
// The first component of every key path the criteria read, at any depth; "*"
// when they read the element itself, for which any change may matter.
QSet<QString> keyRoots(const Predicate &predicate);

} // namespace vidarium::ItemsSearch

// Filters hand their criteria over in notifications.
Q_DECLARE_METATYPE(vidarium::Predicate)
