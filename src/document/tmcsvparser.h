#pragma once

// Reads delimited text (CSV) from a byte stream and reports what it finds, in the
// manner of an event parser: the document, each record and each field with its
// index. Decodes incrementally as bytes arrive and detects the text encoding from
// the first bytes when none is given. Malformed input ends the parse with an error
// event; it never stops the program.
// Threads: one thread at a time per parser; cancel() may be called from any thread.

#include "platform/result.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QIODevice;
typedef struct UConverter UConverter;

namespace vidarium {

class TMCSVParser;

// Receives the parser's events. Every event has an empty default, so a delegate
// implements only those it cares about.
class TMCSVParserDelegate
{
public:
    virtual ~TMCSVParserDelegate() = default;
    virtual void parserDidBeginDocument(TMCSVParser &) { }
    virtual void parserDidBeginLine(TMCSVParser &, qint64 /*recordNumber*/) { }
    virtual void parserDidReadField(TMCSVParser &, const QString & /*field*/, int /*index*/) { }
    virtual void parserDidEndLine(TMCSVParser &, qint64 /*recordNumber*/) { }
    virtual void parserDidEndDocument(TMCSVParser &) { }
    virtual void parserDidFailWithError(TMCSVParser &, const Error &) { }
};

class TMCSVParser
{
public:
    enum class Encoding { UTF8, UTF16BE, UTF16LE, UTF32BE, UTF32LE, ISO2022KR, MacOSRoman };

    // The designated form: reads `stream` (opened here when it is not open yet).
    // With an encoding given it is used; otherwise it is detected from the first
    // bytes and encoding() reports it. The delimiter must be a single UTF-16 code
    // unit that is neither 0, a line break nor the double quote: anything else is
    // a programming error and stops the program.
    TMCSVParser(
        std::unique_ptr<QIODevice> stream, std::optional<Encoding> encoding, QChar delimiter);
    ~TMCSVParser();
    TMCSVParser(const TMCSVParser &) = delete;
    TMCSVParser &operator=(const TMCSVParser &) = delete;

    // Text given as a string is read as its UTF-8 bytes.
    static std::unique_ptr<TMCSVParser> fromCSVString(const QString &text);
    static std::unique_ptr<TMCSVParser> fromDelimitedString(const QString &text, QChar delimiter);
    // A file that cannot be opened gives an error event when parsed.
    static std::unique_ptr<TMCSVParser> fromCSVFile(const QString &path);
    static std::unique_ptr<TMCSVParser> fromDelimitedFile(const QString &path, QChar delimiter);

    // Runs the whole parse, sending the events; returns when the input is exhausted
    // or an error or cancellation stopped it. A parser parses once.
    void parse();
    // Stops a running parse at the next character; the parse then reports an error
    // with Error::Code::Cancelled.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }

    bool sanitizesFields() const { return m_sanitizesFields; }
    // With sanitising, fields are reported without their surrounding quotes and
    // with doubled quotes made single; without it, exactly as they stood.
    void setSanitizesFields(bool sanitizes) { m_sanitizesFields = sanitizes; }
    TMCSVParserDelegate *delegate() const { return m_delegate; }
    void setDelegate(TMCSVParserDelegate *delegate) { m_delegate = delegate; }

    Encoding encoding() const { return m_encoding; }
    QChar delimiter() const { return m_delimiter; }
    qint64 totalBytesRead() const { return m_totalBytesRead; }
    const std::optional<Error> &error() const { return m_error; }

    static bool isLineBreak(char16_t c);
    static bool isFieldWhiteSpace(char16_t c);

private:
    static constexpr char32_t endOfInput = 0xFFFFFFFF;
    static constexpr qint64 readChunk = 512;

    void readBytes();
    Encoding detectEncoding();
    bool openConverter(const QByteArray &prefixBytes);
    void decodeAvailableBytes();
    void readAhead();
    char32_t peek(qsizetype offset = 0);
    void consume() { ++m_nextIndex; }
    bool stopped() const;

    bool readRecord();
    bool readField();
    bool readQuotedContent();
    void readUnquotedContent();
    void readWhiteSpace();
    void recordUnexpectedCharacter(char16_t found);

    std::unique_ptr<QIODevice> m_stream;
    std::optional<QString> m_openError;
    Encoding m_encoding = Encoding::UTF8;
    QChar m_delimiter;
    UConverter *m_converter = nullptr;
    bool m_decodingStopped = false; // an undecodable byte sequence was met
    bool m_streamEnded = false;

    QByteArray m_byteBuffer;
    QString m_stringBuffer;
    qsizetype m_nextIndex = 0;

    QString m_fieldText;
    qsizetype m_fieldStart = 0;
    int m_fieldIndex = 0;
    qint64 m_recordNumber = 0;

    std::optional<Error> m_error;
    bool m_sanitizesFields = false;
    qint64 m_totalBytesRead = 0;
    TMCSVParserDelegate *m_delegate = nullptr;
    std::atomic<bool> m_cancelled { false };
    bool m_parsed = false;
};

} // namespace vidarium
