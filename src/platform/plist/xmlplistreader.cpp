#include "xmlplistreader.h"

#include "platform/plist/propertylist.h"

#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <cmath>

namespace vidarium {

namespace {

class Parser
{
public:
    explicit Parser(const QByteArray &bytes)
        : m_xml(bytes)
    {
    }

    Result<PlistValue> parse()
    {
        if (!nextElement())
            return failure(QStringLiteral("no <plist> element"));
        // A bare value without the <plist> wrapper is accepted: some tools write that.
        const bool wrapped = m_xml.name() == QLatin1String("plist");
        if (wrapped && !nextElement())
            return failure(QStringLiteral("the <plist> element is empty"));
        Result<PlistValue> value = parseValue(0);
        if (!value)
            return value;
        if (wrapped && nextElement())
            return failure(QStringLiteral("more than one value in <plist>"));
        if (m_xml.hasError())
            return failure(m_xml.errorString());
        return value;
    }

private:
    Error failure(const QString &what) const
    {
        QString message = QStringLiteral("damaged XML property list: %1").arg(what);
        if (m_xml.lineNumber() > 0)
            message += QStringLiteral(" (line %1)").arg(m_xml.lineNumber());
        return Error(Error::Code::Corrupt, message);
    }

    // Moves to the next start element inside the current one; false at its end.
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            default:
                break;
            }
        }
        return false;
    }

    Result<QString> text()
    {
        const QString s = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            return failure(m_xml.errorString());
        return s;
    }

    // Parses the element the reader stands on, up to and including its end tag.
    Result<PlistValue> parseValue(int depth)
    {
        if (depth > PropertyList::maximumDepth)
            return failure(
                QStringLiteral("nesting deeper than %1 levels").arg(PropertyList::maximumDepth));
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict"))
            return parseDictionary(depth);
        if (name == QLatin1String("array")) {
            PlistArray members;
            while (nextElement()) {
                Result<PlistValue> member = parseValue(depth + 1);
                if (!member)
                    return member;
                members.append(std::move(member).value());
            }
            if (m_xml.hasError())
                return failure(m_xml.errorString());
            return PlistValue(members);
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            if (nextElement())
                return failure(QStringLiteral("<%1> must be empty").arg(value ? "true" : "false"));
            return PlistValue(value);
        }
        const QString elementName = name.toString();
        Result<QString> content = text();
        if (!content)
            return content.error();
        if (elementName == QLatin1String("string"))
            return PlistValue(*content);
        if (elementName == QLatin1String("integer"))
            return parseInteger(content->trimmed());
        if (elementName == QLatin1String("real"))
            return parseReal(content->trimmed());
        if (elementName == QLatin1String("date"))
            return parseDate(content->trimmed());
        if (elementName == QLatin1String("data")) {
            const auto decoded = QByteArray::fromBase64Encoding(
                content->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok) {
                // Line breaks and tabs inside <data> are normal; strip them and retry.
                QByteArray compact = content->toLatin1();
                compact.replace(' ', "").replace('\n', "").replace('\r', "").replace('\t', "");
                const auto retried = QByteArray::fromBase64Encoding(
                    compact, QByteArray::AbortOnBase64DecodingErrors);
                if (retried.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
                    return failure(QStringLiteral("<data> is not base64"));
                return PlistValue(retried.decoded);
            }
            return PlistValue(decoded.decoded);
        }
        return failure(QStringLiteral("unknown element <%1>").arg(elementName));
    }

    Result<PlistValue> parseDictionary(int depth)
    {
        PlistDictionary dictionary;
        while (nextElement()) {
            if (m_xml.name() != QLatin1String("key"))
                return failure(QStringLiteral("<%1> where a <key> was expected").arg(m_xml.name()));
            Result<QString> key = text();
            if (!key)
                return key.error();
            if (!nextElement())
                return failure(QStringLiteral("the key \"%1\" has no value").arg(*key));
            Result<PlistValue> value = parseValue(depth + 1);
            if (!value)
                return value;
            dictionary.insert(*key, std::move(value).value());
        }
        if (m_xml.hasError())
            return failure(m_xml.errorString());
        // XML archives write a reference as a dictionary with the single key CF$UID.
        if (dictionary.size() == 1) {
            const PlistValue uid = dictionary.value(QStringLiteral("CF$UID"));
            if (uid.type() == PlistValue::Type::Integer && uid.toInteger() >= 0)
                return PlistValue(PlistUid { quint64(uid.toInteger()) });
        }
        return PlistValue(dictionary);
    }

    Result<PlistValue> parseInteger(const QString &s) const
    {
        bool ok = false;
        const bool hex = s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        if (s.startsWith(QLatin1Char('-'))) {
            const qint64 value = s.toLongLong(&ok, 10);
            if (ok)
                return PlistValue(value);
        } else {
            const QStringView digits
                = s.startsWith(QLatin1Char('+')) ? QStringView(s).mid(1) : QStringView(s);
            const quint64 value
                = hex ? digits.mid(2).toULongLong(&ok, 16) : digits.toULongLong(&ok, 10);
            if (ok)
                return PlistValue::unsignedInteger(value);
        }
        return failure(QStringLiteral("\"%1\" is not an integer of 64 bits").arg(s.left(40)));
    }

    Result<PlistValue> parseReal(const QString &s) const
    {
        const QString lower = s.toLower();
        if (lower == QLatin1String("nan"))
            return PlistValue(std::nan(""));
        if (lower == QLatin1String("inf") || lower == QLatin1String("+inf")
            || lower == QLatin1String("infinity") || lower == QLatin1String("+infinity"))
            return PlistValue(HUGE_VAL);
        if (lower == QLatin1String("-inf") || lower == QLatin1String("-infinity"))
            return PlistValue(-HUGE_VAL);
        bool ok = false;
        const double value = s.toDouble(&ok);
        if (!ok)
            return failure(QStringLiteral("\"%1\" is not a real number").arg(s.left(40)));
        return PlistValue(value);
    }

    Result<PlistValue> parseDate(const QString &s) const
    {
        QDateTime dateTime = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dateTime.isValid() || !s.endsWith(QLatin1Char('Z')))
            return failure(QStringLiteral("\"%1\" is not a date of the form 2001-01-01T00:00:00Z")
                               .arg(s.left(40)));
        return PlistValue(PlistDate::fromDateTime(dateTime.toUTC()));
    }

    QXmlStreamReader m_xml;
};

} // namespace

bool XmlPlistReader::looksLikeXml(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (c == '<')
            return true;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            break;
    }
    return bytes.startsWith("\xEF\xBB\xBF<") || bytes.startsWith("\xFE\xFF")
        || bytes.startsWith("\xFF\xFE");
}

Result<PlistValue> XmlPlistReader::read(const QByteArray &bytes)
{
    return Parser(bytes).parse();
}

} // namespace vidarium
