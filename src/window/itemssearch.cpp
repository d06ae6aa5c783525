#include "itemssearch.h"

namespace vidarium::ItemsSearch {

QStringList searchWords(const QString &text)
{
    QString folded = text;
    while (folded.contains(QLatin1String("  ")))
        folded.replace(QLatin1String("  "), QLatin1String(" "));
    if (folded.startsWith(QLatin1Char(' ')))
        folded.remove(0, 1);
    if (folded.endsWith(QLatin1Char(' ')))
        folded.chop(1);
    if (folded.isEmpty())
        return {};
    return folded.split(QLatin1Char(' '));
}

std::optional<Predicate> searchPredicate(const QString &text, const QStringList &searchKeys)
{
    const QStringList words = searchWords(text);
    if (words.isEmpty() || searchKeys.isEmpty())
        return std::nullopt;
    static const QString format = QStringLiteral("%K CONTAINS[cd] %@");
    QList<Predicate> perWord;
    for (const QString &word : words) {
        QList<Predicate> perKey;
        for (const QString &key : searchKeys) {
            Result<Predicate> predicate = Predicate::fromFormat(format, { key, word });
            if (predicate)
                perKey.append(*predicate);
        }
        if (perKey.isEmpty())
            return std::nullopt;
        perWord.append(perKey.size() == 1 ? perKey.first() : Predicate::orPredicate(perKey));
    }
    return perWord.size() == 1 ? perWord.first() : Predicate::andPredicate(perWord);
}

std::optional<Predicate> conjunction(const QList<std::optional<Predicate>> &predicates)
{
    QList<Predicate> present;
    for (const std::optional<Predicate> &predicate : predicates) {
        if (predicate)
            present.append(*predicate);
    }
    if (present.isEmpty())
        return std::nullopt;
    return Predicate::andPredicate(present);
}

} // namespace vidarium::ItemsSearch
