#include "itemssearch.h"

namespace vidarium::ItemsSearch {

namespace {

void addRoots(const PredicateExpression &expression, QSet<QString> &roots, int depth)
{
    // Criteria come from files; a pathological nesting must not exhaust the stack.
    if (depth > 64) {
        roots.insert(QStringLiteral("*"));
        return;
    }
    switch (expression.kind()) {
    case PredicateExpression::Kind::KeyPath:
        roots.insert(expression.keyPath().section(QLatin1Char('.'), 0, 0));
        break;
    case PredicateExpression::Kind::EvaluatedObject:
        roots.insert(QStringLiteral("*"));
        break;
    case PredicateExpression::Kind::Function:
        if (!expression.isBuiltin())
            addRoots(expression.operand(), roots, depth + 1);
        for (const PredicateExpression &argument : expression.arguments())
            addRoots(argument, roots, depth + 1);
        break;
    case PredicateExpression::Kind::Aggregate:
        for (const PredicateExpression &member : expression.arguments())
            addRoots(member, roots, depth + 1);
        break;
    default:
        break;
    }
}

void addRoots(const Predicate &predicate, QSet<QString> &roots, int depth)
{
    if (depth > 64) {
        roots.insert(QStringLiteral("*"));
        return;
    }
    if (predicate.isCompound()) {
        for (const Predicate &sub : predicate.subpredicates())
            addRoots(sub, roots, depth + 1);
    } else if (predicate.isComparison()) {
        addRoots(predicate.leftExpression(), roots, depth + 1);
        addRoots(predicate.rightExpression(), roots, depth + 1);
    }
}

} // namespace

QSet<QString> keyRoots(const Predicate &predicate)
{
    QSet<QString> roots;
    addRoots(predicate, roots, 0);
    return roots;
}

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
