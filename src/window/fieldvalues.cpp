#include "fieldvalues.h"

namespace vidarium {

namespace {

// The text a field shows for a stored value: the one-space stand-in for "no
// value" and an absent entry both read as empty.
QString shownValue(const PlistValue &value)
{
    if (value.isAbsent() || value.type() != PlistValue::Type::String)
        return {};
    const QString text = value.toString();
    return text == QLatin1String(" ") ? QString() : text;
}

} // namespace

FieldValues FieldValues::take(const MediaElementList &elements, const QStringList &fields)
{
    FieldValues values;
    values.m_fields = fields;
    values.m_values.reserve(elements.size());
    values.m_comments.reserve(elements.size());
    for (const MediaElementPtr &element : elements) {
        values.m_values.append(element->userFields());
        values.m_comments.append(element->userComments());
    }
    return values;
}

QList<FieldValues::Summary> FieldValues::compute() const
{
    QList<Summary> summaries;
    summaries.reserve(m_fields.size() + 1);
    for (const QString &field : m_fields) {
        Summary summary;
        if (!m_values.isEmpty())
            summary.value = shownValue(m_values.first().value(field));
        // The first difference settles it: the rest need not be read.
        for (qsizetype i = 1; i < m_values.size(); ++i) {
            if (shownValue(m_values.at(i).value(field)) != summary.value) {
                summary = { true, QString() };
                break;
            }
        }
        summaries.append(summary);
    }
    Summary comments;
    if (!m_comments.isEmpty())
        comments.value = m_comments.first();
    for (const QString &text : m_comments) {
        if (text != comments.value) {
            comments = { true, QString() };
            break;
        }
    }
    summaries.append(comments);
    return summaries;
}

QString FieldValues::singleLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
            || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return line;
}

} // namespace vidarium
