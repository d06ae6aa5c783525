#include "plistjson.h"

#include "platform/plist/archivedobject.h"
#include "platform/plist/archiveencoder.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace vidarium {

namespace {

// Gathers the fields an object's encode() writes, in order, without archiving them.
class FieldCollector : public ArchiveEncoder
{
public:
    QList<std::pair<QString, PlistValue>> fields;

protected:
    void writeReference(const QString &key, const PlistValue &value, Style) override
    {
        fields.append({ key, value.isValid() ? value : PlistValue::null() });
    }
    void writeReferenceArray(const QString &key, const PlistArray &values) override
    {
        fields.append({ key, PlistValue(values) });
    }
    void writeInline(const QString &key, const PlistValue &value) override
    {
        if (value.isValid())
            fields.append({ key, value });
    }
};

class JsonWriter
{
public:
    explicit JsonWriter(qint64 sizeLimit)
        : m_sizeLimit(sizeLimit)
    {
    }

    bool write(const PlistValue &value, int depth)
    {
        if (m_out.size() > m_sizeLimit)
            return false;
        switch (value.type()) {
        case PlistValue::Type::Invalid:
        case PlistValue::Type::Null:
            m_out.append("null");
            break;
        case PlistValue::Type::Bool:
            m_out.append(value.toBool() ? "true" : "false");
            break;
        case PlistValue::Type::Integer:
            m_out.append(value.isUnsigned64() ? QByteArray::number(value.toUInt64())
                                              : QByteArray::number(value.toInteger()));
            break;
        case PlistValue::Type::Real:
            real(value.toDouble());
            break;
        case PlistValue::Type::Date:
            date(value.toDate());
            break;
        case PlistValue::Type::Data:
            string(QString::fromLatin1(value.toData().toBase64()));
            break;
        case PlistValue::Type::String:
            string(value.toString());
            break;
        case PlistValue::Type::Uid:
            m_out.append("{\"CF$UID\": ")
                .append(QByteArray::number(value.toUid().index))
                .append('}');
            break;
        case PlistValue::Type::Array:
        case PlistValue::Type::Set:
            return array(value.toArray(), depth);
        case PlistValue::Type::Dictionary: {
            const PlistDictionary &dictionary = value.toDictionary();
            QList<std::pair<QString, PlistValue>> entries;
            entries.reserve(dictionary.size());
            for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
                entries.append({ it.key(), it.value() });
            return object(entries, depth);
        }
        case PlistValue::Type::Object:
            return archivedObject(value.toObject(), depth);
        }
        return true;
    }

    QByteArray m_out;

private:
    void newline(int depth)
    {
        m_out.append('\n');
        m_out.append(QByteArray(2 * depth, ' '));
    }

    bool array(const PlistArray &members, int depth)
    {
        if (members.isEmpty()) {
            m_out.append("[]");
            return true;
        }
        m_out.append('[');
        for (qsizetype i = 0; i < members.size(); ++i) {
            if (i > 0)
                m_out.append(',');
            newline(depth + 1);
            if (!write(members[i], depth + 1))
                return false;
        }
        newline(depth);
        m_out.append(']');
        return true;
    }

    bool object(const QList<std::pair<QString, PlistValue>> &entries, int depth)
    {
        if (entries.isEmpty()) {
            m_out.append("{}");
            return true;
        }
        m_out.append('{');
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (i > 0)
                m_out.append(',');
            newline(depth + 1);
            string(entries[i].first);
            m_out.append(": ");
            if (!write(entries[i].second, depth + 1))
                return false;
        }
        newline(depth);
        m_out.append('}');
        return true;
    }

    bool archivedObject(const std::shared_ptr<ArchivedObject> &instance, int depth)
    {
        QList<std::pair<QString, PlistValue>> entries;
        entries.append({ QStringLiteral("$class"), instance->className() });
        // An object met again inside itself (only possible for objects built in
        // memory; archives with cycles are refused) is named, not followed.
        if (std::find(m_path.cbegin(), m_path.cend(), instance.get()) != m_path.cend()) {
            entries.append({ QStringLiteral("$cycle"), true });
            return object(entries, depth);
        }
        FieldCollector collector;
        instance->encode(collector);
        entries.append(collector.fields);
        m_path.push_back(instance.get());
        const bool written = object(entries, depth);
        m_path.pop_back();
        return written;
    }

    void real(double d)
    {
        if (std::isnan(d)) {
            m_out.append("\"NaN\"");
        } else if (std::isinf(d)) {
            m_out.append(d > 0 ? "\"Infinity\"" : "\"-Infinity\"");
        } else {
            QByteArray text = QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
            // Keep reals recognisable as reals: 2.0, not 2.
            if (!text.contains('.') && !text.contains('e') && !text.contains("inf"))
                text.append(".0");
            m_out.append(text);
        }
    }

    void date(const PlistDate &value)
    {
        const QDateTime dateTime = value.toDateTime();
        if (!dateTime.isValid()) {
            real(value.secondsSince2001);
            return;
        }
        const bool whole = dateTime.time().msec() == 0;
        string(dateTime.toString(whole ? QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")
                                       : QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'")));
    }

    void string(const QString &s)
    {
        m_out.append('"');
        const QChar *chars = s.constData();
        const qsizetype size = s.size();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t u = chars[i].unicode();
            if (u == '"') {
                m_out.append("\\\"");
            } else if (u == '\\') {
                m_out.append("\\\\");
            } else if (u == '\n') {
                m_out.append("\\n");
            } else if (u == '\t') {
                m_out.append("\\t");
            } else if (u < 0x20) {
                escape(u);
            } else if (u < 0x80) {
                m_out.append(char(u));
            } else if (QChar::isHighSurrogate(u) && i + 1 < size && chars[i + 1].isLowSurrogate()) {
                m_out.append(QStringView(chars + i, 2).toUtf8());
                ++i;
            } else if (QChar::isSurrogate(u)) {
                escape(u); // a lone half: escaped, so the output stays valid UTF-8
            } else {
                m_out.append(QStringView(chars + i, 1).toUtf8());
            }
        }
        m_out.append('"');
    }

    void escape(char16_t u)
    {
        m_out.append("\\u").append(QByteArray::number(u, 16).rightJustified(4, '0'));
    }

    qint64 m_sizeLimit;
    std::vector<const ArchivedObject *> m_path;
};

} // namespace

Result<QByteArray> PlistJson::toJson(const PlistValue &value, qint64 sizeLimit)
{
    JsonWriter writer(sizeLimit);
    if (!writer.write(value, 0) || writer.m_out.size() > sizeLimit)
        return Error(Error::Code::Unsupported,
            QStringLiteral("the value would print as more than %1 MB of JSON")
                .arg(sizeLimit >> 20));
    writer.m_out.append('\n');
    return writer.m_out;
}

} // namespace vidarium
