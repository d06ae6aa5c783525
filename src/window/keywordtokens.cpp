#include "keywordtokens.h"

#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"

#include <QCollator>
#include <QSet>

#include <algorithm>

namespace vidarium {

namespace KeywordTokens {

namespace {

constexpr QChar Quote = QLatin1Char('"');
constexpr QChar Comma = QLatin1Char(',');

void addName(QStringList &names, QSet<QString> &seen, QString name)
{
    for (QChar &c : name) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    name = name.trimmed();
    // A blank name would become a keyword nobody can see or pick.
    if (name.isEmpty() || seen.contains(name))
        return;
    seen.insert(name);
    names.append(name);
}

} // namespace

QStringList parse(const QString &text)
{
    QStringList names;
    QSet<QString> seen;
    QString current;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c != Quote)
                current.append(c);
            else if (i + 1 < text.size() && text.at(i + 1) == Quote)
                current.append(text.at(++i));
            else
                inQuotes = false;
        } else if (c == Quote) {
            inQuotes = true;
        } else if (c == Comma) {
            addName(names, seen, current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    addName(names, seen, current);
    return names;
}

QString quoted(const QString &name)
{
    if (!name.contains(Comma) && !name.contains(Quote))
        return name;
    QString escaped = name;
    escaped.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return Quote + escaped + Quote;
}

QString format(const QStringList &names)
{
    QStringList parts;
    parts.reserve(names.size());
    for (const QString &name : names)
        parts.append(quoted(name));
    return parts.join(QStringLiteral(", "));
}

qsizetype lastTokenStart(const QString &text)
{
    qsizetype start = 0;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == Quote)
            inQuotes = !inQuotes;
        else if (text.at(i) == Comma && !inQuotes)
            start = i + 1;
    }
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    return start;
}

QStringList sortedNames(QStringList names)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
        [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return names;
}

QString completion(const QStringList &candidates, const QString &prefix)
{
    if (prefix.isEmpty())
        return {};
    for (const QString &candidate : candidates) {
        if (candidate.size() > prefix.size() && candidate.startsWith(prefix, Qt::CaseSensitive))
            return candidate;
    }
    return {};
}

Shared sharedKeywords(const MediaLibrary &library, const MediaElementList &elements)
{
    Shared shared;
    if (elements.isEmpty())
        return shared;
    QSet<QString> remaining;
    for (const QString &identifier : elements.first()->userKeywords()) {
        if (library.keywordWithIdentifier(identifier))
            remaining.insert(identifier);
    }
    for (qsizetype i = 1; i < elements.size() && !remaining.isEmpty(); ++i) {
        const QStringList &carried = elements.at(i)->userKeywords();
        for (auto it = remaining.begin(); it != remaining.end();) {
            if (carried.contains(*it))
                ++it;
            else
                it = remaining.erase(it);
        }
    }
    // In the first element's order, so the result does not depend on hashing.
    for (const QString &identifier : elements.first()->userKeywords()) {
        if (!remaining.contains(identifier) || shared.identifiers.contains(identifier))
            continue;
        shared.identifiers.append(identifier);
        shared.identifiersByName[library.keywordNameForIdentifier(identifier)].append(identifier);
    }
    return shared;
}

namespace {

// The keyword a name stands for when no shared keyword has it: one the library
// knows (the same one every time), else a new one.
QString identifierForNewName(MediaLibrary &library, const QString &name)
{
    QString found;
    for (const MediaUserKeywordPtr &keyword : library.userKeywords()) {
        if (keyword->name() == name && (found.isEmpty() || keyword->identifier() < found))
            found = keyword->identifier();
    }
    if (!found.isEmpty())
        return found;
    return library.createKeywordWithName(name)->identifier();
}

} // namespace

bool apply(MediaLibrary &library, const MediaElementList &elements, const Shared &shared,
    const QStringList &names)
{
    QStringList tokenIdentifiers;
    for (const QString &name : names) {
        if (name.trimmed().isEmpty())
            continue;
        const auto known = shared.identifiersByName.constFind(name);
        if (known != shared.identifiersByName.constEnd())
            tokenIdentifiers.append(*known);
        else
            tokenIdentifiers.append(identifierForNewName(library, name));
    }
    QStringList added;
    for (const QString &identifier : std::as_const(tokenIdentifiers)) {
        if (!shared.identifiers.contains(identifier) && !added.contains(identifier))
            added.append(identifier);
    }
    QStringList removed;
    for (const QString &identifier : shared.identifiers) {
        if (!tokenIdentifiers.contains(identifier))
            removed.append(identifier);
    }
    if (added.isEmpty() && removed.isEmpty())
        return false;
    bool changed = false;
    for (const MediaElementPtr &element : elements) {
        // An element removed from the library while the sheet was open is left alone.
        if (!library.containsElement(*element))
            continue;
        QStringList keywords = element->userKeywords();
        for (const QString &identifier : std::as_const(removed))
            keywords.removeAll(identifier);
        for (const QString &identifier : std::as_const(added)) {
            if (!keywords.contains(identifier))
                keywords.append(identifier);
        }
        if (keywords != element->userKeywords()) {
            element->setUserKeywords(keywords);
            changed = true;
        }
    }
    return changed;
}

} // namespace KeywordTokens

} // namespace vidarium
