#include "stringutilities.h"

#include "platform/filepath.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace vidarium {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The components of a path, with the leading "/" as a component of its own, the
// way the platform splits paths (empty pieces from doubled or trailing slashes
// are dropped).
QStringList pathComponents(const QString &path)
{
    QStringList components;
    if (path.startsWith(u'/'))
        components.append(QStringLiteral("/"));
    for (const QString &piece : path.split(u'/', Qt::SkipEmptyParts))
        components.append(piece);
    return components;
}

QString joinedPath(const QStringList &components)
{
    QString path;
    for (const QString &component : components) {
        if (!path.isEmpty() && !path.endsWith(u'/'))
            path += u'/';
        path += component;
    }
    return path;
}

} // namespace

bool stringIsEmpty(const QString &text)
{
    for (QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

bool stringIsEmpty(const PlistValue &value)
{
    if (value.isAbsent())
        return true;
    return value.type() == PlistValue::Type::String && stringIsEmpty(value.toString());
}

bool isOnlyDigits(const QString &text)
{
    return std::all_of(text.begin(), text.end(), isAsciiDigit);
}

qint32 leadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i)
        magnitude = std::min(limit, magnitude * 10 + (text[i].unicode() - u'0'));
    const qint64 value = negative ? -magnitude : magnitude;
    return qint32(std::clamp<qint64>(
        value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

float scanFloat(QStringView text, qsizetype &position)
{
    qsizetype p = position;
    while (p < text.size() && text[p].isSpace())
        ++p;
    const qsizetype start = p;
    if (p < text.size() && (text[p] == u'-' || text[p] == u'+'))
        ++p;
    auto digitAt = [&](qsizetype at) { return at < text.size() && isAsciiDigit(text[at]); };
    qsizetype digits = 0;
    for (; digitAt(p); ++p)
        ++digits;
    if (p < text.size() && text[p] == u'.')
        for (++p; digitAt(p); ++p)
            ++digits;
    if (digits == 0)
        return 0.0f;
    if (p < text.size() && (text[p] == u'e' || text[p] == u'E')) {
        qsizetype q = p + 1;
        if (q < text.size() && (text[q] == u'-' || text[q] == u'+'))
            ++q;
        if (digitAt(q)) {
            while (digitAt(q))
                ++q;
            p = q;
        }
    }
    position = p;
    // Out-of-range exponents saturate to infinity rather than fail.
    bool ok = false;
    const double value = text.mid(start, p - start).toDouble(&ok);
    return ok ? float(value)
              : (text[start] == u'-' ? -std::numeric_limits<float>::infinity()
                                     : std::numeric_limits<float>::infinity());
}

QString stringWithPathRelativeTo(const QString &path, const QString &basePath)
{
    const QStringList target = pathComponents(path);
    const QStringList base = pathComponents(basePath);
    qsizetype common = 0;
    while (common < target.size() && common < base.size() && target[common] == base[common])
        ++common;
    QStringList relative;
    for (qsizetype i = common; i < base.size(); ++i)
        relative.append(QStringLiteral(".."));
    relative.append(target.mid(common));
    return joinedPath(relative);
}

bool isFilePackage(const QString &path)
{
    static const QStringList packageSuffixes = {
        QStringLiteral("fcpbundle"),
        QStringLiteral("vidarium"),
        QStringLiteral("app"),
        QStringLiteral("bundle"),
        QStringLiteral("imovielibrary"),
        QStringLiteral("photoslibrary"),
    };
    // QFileInfo for the suffix alone: it cannot look at a name that is not UTF-8.
    return packageSuffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive)
        && isFolder(path);
}

QString packagePath(const QString &path)
{
    if (!path.contains(QLatin1String("fcpbundle")))
        return path;
    QString deepest;
    QStringList accumulated;
    for (const QString &component : pathComponents(path)) {
        accumulated.append(component);
        const QString candidate = joinedPath(accumulated);
        if (isFilePackage(candidate))
            deepest = candidate;
    }
    return deepest.isEmpty() ? path : deepest;
}

} // namespace vidarium
