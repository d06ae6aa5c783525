#include "xmlplistwriter.h"

#include <QLocale>

#include <cmath>

namespace vidarium {

namespace {

class Writer
{
public:
    bool write(const PlistValue &value, int depth)
    {
        switch (value.type()) {
        case PlistValue::Type::Invalid:
        case PlistValue::Type::Null:
        case PlistValue::Type::Object:
            return false;
        case PlistValue::Type::Bool:
            line(depth, value.toBool() ? "<true/>" : "<false/>");
            return true;
        case PlistValue::Type::Integer:
            element(depth, "integer",
                value.isUnsigned64() ? QByteArray::number(value.toUInt64())
                                     : QByteArray::number(value.toInteger()));
            return true;
        case PlistValue::Type::Real:
            element(depth, "real", real(value));
            return true;
        case PlistValue::Type::Date:
            element(depth, "date",
                value.toDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toLatin1());
            return true;
        case PlistValue::Type::Data:
            data(depth, value.toData());
            return true;
        case PlistValue::Type::String:
            element(depth, "string", escaped(value.toString()));
            return true;
        case PlistValue::Type::Uid:
            line(depth, "<dict>");
            element(depth + 1, "key", "CF$UID");
            element(depth + 1, "integer", QByteArray::number(value.toUid().index));
            line(depth, "</dict>");
            return true;
        case PlistValue::Type::Array:
        case PlistValue::Type::Set:
            if (value.toArray().isEmpty()) {
                line(depth, "<array/>");
                return true;
            }
            line(depth, "<array>");
            for (const PlistValue &member : value.toArray())
                if (!write(member, depth + 1))
                    return false;
            line(depth, "</array>");
            return true;
        case PlistValue::Type::Dictionary: {
            const PlistDictionary &dictionary = value.toDictionary();
            if (dictionary.isEmpty()) {
                line(depth, "<dict/>");
                return true;
            }
            line(depth, "<dict>");
            for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
                element(depth + 1, "key", escaped(it.key()));
                if (!write(it.value(), depth + 1))
                    return false;
            }
            line(depth, "</dict>");
            return true;
        }
        }
        return false;
    }

    QByteArray m_out;

private:
    void indent(int depth) { m_out.append(QByteArray(depth, '\t')); }

    void line(int depth, const char *text)
    {
        indent(depth);
        m_out.append(text);
        m_out.append('\n');
    }

    void element(int depth, const char *name, const QByteArray &content)
    {
        indent(depth);
        m_out.append('<').append(name).append('>');
        m_out.append(content);
        m_out.append("</").append(name).append(">\n");
    }

    void data(int depth, const QByteArray &bytes)
    {
        indent(depth);
        m_out.append("<data>\n");
        const QByteArray encoded = bytes.toBase64();
        for (qsizetype i = 0; i < encoded.size(); i += 68) {
            indent(depth);
            m_out.append(encoded.mid(i, 68)).append('\n');
        }
        indent(depth);
        m_out.append("</data>\n");
    }

    static QByteArray real(const PlistValue &value)
    {
        const double d = value.toDouble();
        if (std::isnan(d))
            return "nan";
        if (std::isinf(d))
            return d > 0 ? "+infinity" : "-infinity";
        // The shortest text that reads back to the same bits. A float32 value is written
        // as the double it equals, so it keeps its exact value when read back as a double.
        return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    }

    static QByteArray escaped(const QString &s)
    {
        QByteArray out = s.toUtf8();
        if (out.contains('&'))
            out.replace('&', "&amp;");
        if (out.contains('<'))
            out.replace('<', "&lt;");
        if (out.contains('>'))
            out.replace('>', "&gt;");
        // XML readers turn a bare carriage return into a line feed; keep it as a reference.
        if (out.contains('\r'))
            out.replace('\r', "&#13;");
        return out;
    }
};

} // namespace

QByteArray XmlPlistWriter::write(const PlistValue &value)
{
    Writer writer;
    writer.m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\">\n";
    if (!writer.write(value, 0))
        return QByteArray();
    writer.m_out.append("</plist>\n");
    return writer.m_out;
}

} // namespace vidarium
