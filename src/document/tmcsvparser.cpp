#include "tmcsvparser.h"

#include "model/applicationsettings.h"

#include <QBuffer>
#include <QFile>

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

namespace vidarium {

namespace {

const char *converterName(TMCSVParser::Encoding encoding)
{
    switch (encoding) {
    case TMCSVParser::Encoding::UTF8:
        return "UTF-8";
    case TMCSVParser::Encoding::UTF16BE:
        return "UTF-16BE";
    case TMCSVParser::Encoding::UTF16LE:
        return "UTF-16LE";
    case TMCSVParser::Encoding::UTF32BE:
        return "UTF-32BE";
    case TMCSVParser::Encoding::UTF32LE:
        return "UTF-32LE";
    case TMCSVParser::Encoding::ISO2022KR:
        return "ISO_2022,locale=ko,version=0";
    case TMCSVParser::Encoding::MacOSRoman:
        return "macintosh";
    }
    return "UTF-8";
}

bool isCompleteUtf8(const QByteArray &bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, bytes.constData(), int32_t(bytes.size()), &status);
    return status != U_INVALID_CHAR_FOUND && status != U_ILLEGAL_ARGUMENT_ERROR;
}

// Valid UTF-8 except that the last character may be cut short.
bool isUtf8WithCutEnd(const QByteArray &bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open("UTF-8", &status);
    if (U_FAILURE(status))
        return false;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    const char *source = bytes.constData();
    const char *const sourceEnd = source + bytes.size();
    UChar output[1024];
    do {
        UChar *target = output;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, output + std::size(output), &source, sourceEnd, nullptr,
            false, &status);
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    ucnv_close(converter);
    return U_SUCCESS(status);
}

// Only a block that filled the whole first read can end in a character cut off
// by the read; a shorter block is the whole input and must decode completely.
// Bytes that are invalid rather than cut short never pass, since reading them as
// UTF-8 would silently end the text there.
bool looksLikeUtf8(const QByteArray &block, qint64 readSize)
{
    return isCompleteUtf8(block) || (block.size() == readSize && isUtf8WithCutEnd(block));
}

QString hexCode(char16_t c)
{
    return QString::number(uint(c), 16).toUpper();
}

void checkPrecondition(bool condition, const char *description)
{
    if (!condition)
        qFatal("Invalid parameter not satisfying: %s", description);
}

} // namespace

TMCSVParser::TMCSVParser(
    std::unique_ptr<QIODevice> stream, std::optional<Encoding> encoding, QChar delimiter)
    : m_stream(std::move(stream))
    , m_delimiter(delimiter)
{
    checkPrecondition(m_stream != nullptr, "stream != nil");
    checkPrecondition(!delimiter.isNull(), "delimiter != 0");
    checkPrecondition(
        !isLineBreak(delimiter.unicode()), "The field delimiter may not be a newline");
    checkPrecondition(delimiter != u'"', "The field delimiter may not be a double quote");

    if (!m_stream->isOpen() && !m_stream->open(QIODevice::ReadOnly)) {
        m_openError = m_stream->errorString();
        m_streamEnded = true;
    }

    QByteArray prefixBytes;
    if (encoding) {
        m_encoding = *encoding;
    } else {
        readBytes();
        m_encoding = detectEncoding();
        // The ISO-2022-KR announcement is dropped like a byte-order mark, but the
        // converter still wants to have seen it.
        if (m_encoding == Encoding::ISO2022KR)
            prefixBytes = QByteArrayLiteral("\x1b$)C");
    }
    if (!openConverter(prefixBytes))
        m_decodingStopped = true;
}

TMCSVParser::~TMCSVParser()
{
    if (m_converter)
        ucnv_close(m_converter);
}

std::unique_ptr<TMCSVParser> TMCSVParser::fromCSVString(const QString &text)
{
    return fromDelimitedString(text, QChar(u','));
}

std::unique_ptr<TMCSVParser> TMCSVParser::fromDelimitedString(const QString &text, QChar delimiter)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(text.toUtf8());
    return std::make_unique<TMCSVParser>(std::move(buffer), std::nullopt, delimiter);
}

std::unique_ptr<TMCSVParser> TMCSVParser::fromCSVFile(const QString &path)
{
    return fromDelimitedFile(path, QChar(u','));
}

std::unique_ptr<TMCSVParser> TMCSVParser::fromDelimitedFile(const QString &path, QChar delimiter)
{
    return std::make_unique<TMCSVParser>(std::make_unique<QFile>(path), std::nullopt, delimiter);
}

bool TMCSVParser::isLineBreak(char16_t c)
{
    return (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 || c == 0x2029;
}

bool TMCSVParser::isFieldWhiteSpace(char16_t c)
{
    return c == u'\t' || QChar::category(char32_t(c)) == QChar::Separator_Space;
}

void TMCSVParser::readBytes()
{
    if (m_streamEnded)
        return;
    char chunk[readChunk];
    const qint64 count = m_stream->read(chunk, readChunk);
    if (count <= 0) {
        m_streamEnded = true;
        return;
    }
    m_byteBuffer.append(chunk, qsizetype(count));
    m_totalBytesRead += count;
}

TMCSVParser::Encoding TMCSVParser::detectEncoding()
{
    struct Mark
    {
        const char *bytes;
        qsizetype length;
        Encoding encoding;
    };
    // Order matters: the UTF-32 little-endian mark begins with the UTF-16 one.
    static const Mark marks[] = {
        { "\x00\x00\xFE\xFF", 4, Encoding::UTF32BE },
        { "\xFF\xFE\x00\x00", 4, Encoding::UTF32LE },
        { "\x1B\x24\x29\x43", 4, Encoding::ISO2022KR },
        { "\xFE\xFF", 2, Encoding::UTF16BE },
        { "\xFF\xFE", 2, Encoding::UTF16LE },
        { "\xEF\xBB\xBF", 3, Encoding::UTF8 },
    };
    for (const Mark &mark : marks) {
        if (m_byteBuffer.size() >= mark.length
            && std::memcmp(m_byteBuffer.constData(), mark.bytes, size_t(mark.length)) == 0) {
            m_byteBuffer.remove(0, mark.length);
            return mark.encoding;
        }
    }
    if (m_byteBuffer.isEmpty() || looksLikeUtf8(m_byteBuffer, readChunk))
        return Encoding::UTF8;
    ApplicationSettings::logConsoleMessage(
        QStringLiteral("unable to determine stream encoding; assuming MacOSRoman"));
    return Encoding::MacOSRoman;
}

bool TMCSVParser::openConverter(const QByteArray &prefixBytes)
{
    UErrorCode status = U_ZERO_ERROR;
    m_converter = ucnv_open(converterName(m_encoding), &status);
    if (U_FAILURE(status) || !m_converter) {
        ApplicationSettings::logConsoleMessage(QStringLiteral("cannot open a text converter for %1")
                                                   .arg(QLatin1String(converterName(m_encoding))));
        return false;
    }
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(m_converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (!prefixBytes.isEmpty()) {
        UChar sink[8];
        UChar *target = sink;
        const char *source = prefixBytes.constData();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter, &target, sink + 8, &source, source + prefixBytes.size(),
            nullptr, false, &status);
    }
    return true;
}

// Decodes every complete character of the byte buffer. A character cut at the end
// of the buffer waits inside the converter for the bytes that finish it; at the
// first byte sequence that does not decode, decoding stops for good and the parse
// sees the end of its input there.
void TMCSVParser::decodeAvailableBytes()
{
    if (m_decodingStopped || m_byteBuffer.isEmpty())
        return;
    const char *const start = m_byteBuffer.constData();
    const char *source = start;
    const char *const sourceEnd = start + m_byteBuffer.size();
    UChar output[1024];
    for (;;) {
        UChar *target = output;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter, &target, output + std::size(output), &source, sourceEnd,
            nullptr, false, &status);
        m_stringBuffer.append(reinterpret_cast<const QChar *>(output), target - output);
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status))
            m_decodingStopped = true;
        break;
    }
    if (!m_decodingStopped)
        m_byteBuffer.remove(0, source - start);
}

void TMCSVParser::readAhead()
{
    const qsizetype length = m_stringBuffer.size();
    if (!m_decodingStopped && m_nextIndex + std::max(length / 3, qsizetype(10)) >= length)
        readBytes();
    decodeAvailableBytes();
}

bool TMCSVParser::stopped() const
{
    return m_error.has_value();
}

// The character `offset` places past the read position, or endOfInput. A
// cancelled parse sees the end of its input at once.
char32_t TMCSVParser::peek(qsizetype offset)
{
    if (m_error)
        return endOfInput;
    if (m_cancelled.load(std::memory_order_relaxed)) {
        m_error = Error(Error::Code::Cancelled, QStringLiteral("Parsing was cancelled"));
        return endOfInput;
    }
    readAhead();
    while (m_nextIndex + offset >= m_stringBuffer.size() && !m_streamEnded && !m_decodingStopped) {
        readBytes();
        decodeAvailableBytes();
    }
    if (m_nextIndex + offset < m_stringBuffer.size())
        return m_stringBuffer.at(m_nextIndex + offset).unicode();
    return endOfInput;
}

void TMCSVParser::parse()
{
    if (m_parsed)
        return;
    m_parsed = true;
    if (m_delegate)
        m_delegate->parserDidBeginDocument(*this);
    m_recordNumber = 0;
    if (m_openError)
        m_error
            = Error(Error::Code::Io, QStringLiteral("Cannot read the text: %1").arg(*m_openError));
    while (readRecord()) { }
    if (!m_delegate)
        return;
    if (m_error)
        m_delegate->parserDidFailWithError(*this, *m_error);
    else
        m_delegate->parserDidEndDocument(*this);
}

// Returns whether another record may follow.
bool TMCSVParser::readRecord()
{
    if (peek() == endOfInput)
        return false;
    ++m_recordNumber;
    m_fieldIndex = 0;
    if (m_delegate)
        m_delegate->parserDidBeginLine(*this, m_recordNumber);
    bool fieldRead = readField();
    while (fieldRead && peek() == m_delimiter.unicode()) {
        consume();
        fieldRead = readField();
    }
    if (m_delegate)
        m_delegate->parserDidEndLine(*this, m_recordNumber);
    // An unclosed quoted field ends the parse quietly; an error ends it loudly.
    if (!fieldRead || stopped())
        return false;
    if (!isLineBreak(char16_t(peek())))
        return false;
    while (isLineBreak(char16_t(peek())))
        consume();
    return peek() != endOfInput;
}

// Returns whether the field was read and is followed by a delimiter, a line break
// or the end of the input.
bool TMCSVParser::readField()
{
    m_fieldText.clear();
    m_fieldStart = m_nextIndex;
    readWhiteSpace();
    if (peek() == u'"') {
        if (!readQuotedContent())
            return false;
    } else {
        readUnquotedContent();
    }
    readWhiteSpace();
    if (stopped())
        return false;

    if (m_delegate) {
        const QString field = m_sanitizesFields
            ? m_fieldText
            : m_stringBuffer.mid(m_fieldStart, m_nextIndex - m_fieldStart);
        m_delegate->parserDidReadField(*this, field, m_fieldIndex);
    }
    m_stringBuffer.remove(0, m_nextIndex);
    m_nextIndex = 0;
    ++m_fieldIndex;

    const char32_t next = peek();
    if (next == m_delimiter.unicode() || next == endOfInput || isLineBreak(char16_t(next)))
        return true;
    recordUnexpectedCharacter(char16_t(next));
    return false;
}

void TMCSVParser::readWhiteSpace()
{
    for (char32_t c = peek();
         c != endOfInput && c != m_delimiter.unicode() && isFieldWhiteSpace(char16_t(c));
         c = peek()) {
        m_fieldText.append(QChar(char16_t(c)));
        consume();
    }
}

// Returns false when the input ends before the closing quote.
bool TMCSVParser::readQuotedContent()
{
    consume();
    for (char32_t c = peek(); c != endOfInput; c = peek()) {
        if (c == u'"') {
            if (peek(1) != u'"') {
                consume();
                return true;
            }
            m_fieldText.append(QChar(u'"'));
            consume();
            consume();
            continue;
        }
        m_fieldText.append(QChar(char16_t(c)));
        consume();
    }
    return false;
}

void TMCSVParser::readUnquotedContent()
{
    for (char32_t c = peek();
         c != endOfInput && c != m_delimiter.unicode() && !isLineBreak(char16_t(c)); c = peek()) {
        m_fieldText.append(QChar(char16_t(c)));
        consume();
    }
}

void TMCSVParser::recordUnexpectedCharacter(char16_t found)
{
    const char16_t delimiter = m_delimiter.unicode();
    m_error = Error(Error::Code::Corrupt,
        QStringLiteral("Unexpected delimiter. Expected '%1' (0x%2), but got '%3' (0x%4)")
            .arg(QString(QChar(delimiter)), hexCode(delimiter), QString(QChar(found)),
                hexCode(found)));
}

} // namespace vidarium
