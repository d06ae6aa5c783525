#include "document/tmcsvparser.h"
#include "platform/userdefaults.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

using namespace vidarium;

namespace {

// Writes every event as one short line, so a whole parse compares as a list.
class EventRecorder : public TMCSVParserDelegate
{
public:
    QStringList events;
    QStringList fields;
    std::optional<Error> error;
    qint64 cancelAtField = -1;

    void parserDidBeginDocument(TMCSVParser &) override { events << QStringLiteral("begin"); }
    void parserDidBeginLine(TMCSVParser &, qint64 record) override
    {
        events << QStringLiteral("line %1").arg(record);
    }
    void parserDidReadField(TMCSVParser &parser, const QString &field, int index) override
    {
        events << QStringLiteral("%1:[%2]").arg(index).arg(field);
        fields << field;
        if (fields.size() == cancelAtField)
            parser.cancel();
    }
    void parserDidEndLine(TMCSVParser &, qint64 record) override
    {
        events << QStringLiteral("end line %1").arg(record);
    }
    void parserDidEndDocument(TMCSVParser &) override { events << QStringLiteral("end"); }
    void parserDidFailWithError(TMCSVParser &, const Error &e) override
    {
        events << QStringLiteral("fail");
        error = e;
    }
};

std::unique_ptr<TMCSVParser> parserForBytes(const QByteArray &bytes,
    std::optional<TMCSVParser::Encoding> encoding = {}, QChar delimiter = QChar(u','))
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    return std::make_unique<TMCSVParser>(std::move(buffer), encoding, delimiter);
}

EventRecorder parseBytes(const QByteArray &bytes, bool sanitize = true)
{
    EventRecorder recorder;
    auto parser = parserForBytes(bytes);
    parser->setSanitizesFields(sanitize);
    parser->setDelegate(&recorder);
    parser->parse();
    return recorder;
}

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

QByteArray utf32(const QString &text, bool littleEndian)
{
    QByteArray bytes;
    for (char32_t c : text.toUcs4()) {
        char b[4] = { char(c >> 24), char(c >> 16), char(c >> 8), char(c) };
        if (littleEndian)
            std::reverse(std::begin(b), std::end(b));
        bytes.append(b, 4);
    }
    return bytes;
}

} // namespace

TEST(TMCSVParser, ReportsDocumentRecordAndFieldEvents)
{
    EXPECT_EQ(parseBytes("").events, QStringList({ "begin", "end" }));
    EXPECT_EQ(parseBytes(",,").events,
        QStringList({ "begin", "line 1", "0:[]", "1:[]", "2:[]", "end line 1", "end" }));
    EXPECT_EQ(parseBytes("a,b\nc").events,
        QStringList({ "begin", "line 1", "0:[a]", "1:[b]", "end line 1", "line 2", "0:[c]",
            "end line 2", "end" }));
}

TEST(TMCSVParser, SanitisingRemovesQuotesButKeepsSurroundingWhiteSpace)
{
    EXPECT_EQ(parseBytes("a,\"b,c\",d", true).fields, QStringList({ "a", "b,c", "d" }));
    EXPECT_EQ(parseBytes("a,\"b,c\",d", false).fields, QStringList({ "a", "\"b,c\"", "d" }));
    EXPECT_EQ(parseBytes("\"say \"\"hi\"\" now\"", true).fields, QStringList({ "say \"hi\" now" }));
    EXPECT_EQ(
        parseBytes("\"say \"\"hi\"\"\"", false).fields, QStringList({ "\"say \"\"hi\"\"\"" }));
    EXPECT_EQ(parseBytes(" \"x\" ,\ty ", true).fields, QStringList({ " x ", "\ty " }));
    EXPECT_EQ(parseBytes(" \"x\" ,\ty ", false).fields, QStringList({ " \"x\" ", "\ty " }));
    // A quote inside an unquoted field is an ordinary character.
    EXPECT_EQ(parseBytes("a\"b,c").fields, QStringList({ "a\"b", "c" }));
    // Line breaks and delimiters inside quotes belong to the field.
    EXPECT_EQ(parseBytes("\"1\n2,3\",4").fields, QStringList({ "1\n2,3", "4" }));
}

TEST(TMCSVParser, LineBreakRunsSeparateRecordsOnce)
{
    const QStringList lf = parseBytes("a,b\nc,d\n").events;
    EXPECT_EQ(parseBytes("a,b\r\nc,d\r\n").events, lf);
    EXPECT_EQ(parseBytes("a,b\n\n\r\nc,d").events, lf);
    EXPECT_EQ(parseBytes(QString("a,b\u2028c,d").toUtf8()).events, lf);
    // A line break before anything else starts a record of one empty field.
    EXPECT_EQ(parseBytes("\nx").fields, QStringList({ "", "x" }));
}

TEST(TMCSVParser, TextAfterClosingQuoteFailsNamingBothCharacters)
{
    EventRecorder recorder = parseBytes("\"abc\"x,d\nnext");
    EXPECT_EQ(recorder.events, QStringList({ "begin", "line 1", "0:[abc]", "end line 1", "fail" }));
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(
        recorder.error->message(), "Unexpected delimiter. Expected ',' (0x2C), but got 'x' (0x78)");
    EXPECT_EQ(recorder.error->code(), Error::Code::Corrupt);
}

TEST(TMCSVParser, UnclosedQuoteEndsRecordWithoutFieldOrError)
{
    EXPECT_EQ(parseBytes("a,\"bc\nd,e").events,
        QStringList({ "begin", "line 1", "0:[a]", "end line 1", "end" }));
}

TEST(TMCSVParser, NulIsAnOrdinaryCharacter)
{
    EXPECT_EQ(parseBytes(QByteArray("a\0b,c\nd", 7)).fields,
        QStringList({ QString::fromUtf8("a\0b", 3), "c", "d" }));
}

TEST(TMCSVParser, OtherDelimitersAreNotEatenAsWhiteSpace)
{
    EventRecorder recorder;
    auto parser = parserForBytes("a\t\tb ;c", std::nullopt, QChar(u'\t'));
    parser->setSanitizesFields(true);
    parser->setDelegate(&recorder);
    parser->parse();
    EXPECT_EQ(recorder.fields, QStringList({ "a", "", "b ;c" }));
}

TEST(TMCSVParser, DetectsEncodingFromMarksAndContent)
{
    const QString text = QString::fromUtf8("Ünïcödé,€\n\"x\"");
    const QStringList expected({ QString::fromUtf8("Ünïcödé"), QString::fromUtf8("€"), "x" });
    struct Case
    {
        const char *name;
        QByteArray bytes;
        TMCSVParser::Encoding encoding;
    };
    const Case cases[] = {
        { "utf8 mark", "\xEF\xBB\xBF" + text.toUtf8(), TMCSVParser::Encoding::UTF8 },
        { "utf8 plain", text.toUtf8(), TMCSVParser::Encoding::UTF8 },
        { "utf16 le", "\xFF\xFE" + utf16(text, true), TMCSVParser::Encoding::UTF16LE },
        { "utf16 be", "\xFE\xFF" + utf16(text, false), TMCSVParser::Encoding::UTF16BE },
        { "utf32 le", QByteArray("\xFF\xFE\0\0", 4) + utf32(text, true),
            TMCSVParser::Encoding::UTF32LE },
        { "utf32 be", QByteArray("\0\0\xFE\xFF", 4) + utf32(text, false),
            TMCSVParser::Encoding::UTF32BE },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EventRecorder recorder;
        auto parser = parserForBytes(c.bytes);
        parser->setSanitizesFields(true);
        parser->setDelegate(&recorder);
        EXPECT_EQ(parser->encoding(), c.encoding);
        parser->parse();
        EXPECT_EQ(recorder.fields, expected);
        EXPECT_EQ(parser->totalBytesRead(), c.bytes.size());
    }
}

TEST(TMCSVParser, ReadsIso2022KrAfterItsAnnouncement)
{
    auto parser = parserForBytes("\x1B$)C"
                                 "a,\x0E\x30\x21\x0F");
    EventRecorder recorder;
    parser->setDelegate(&recorder);
    EXPECT_EQ(parser->encoding(), TMCSVParser::Encoding::ISO2022KR);
    parser->parse();
    EXPECT_EQ(recorder.fields, QStringList({ "a", QString(QChar(0xAC00)) }));
}

TEST(TMCSVParser, BytesThatAreNotUtf8AreReadAsMacRoman)
{
    // 0x8E is e acute and 0xA5 a bullet in Mac OS Roman; neither starts valid UTF-8.
    test::ScratchDir dir;
    UserDefaults settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.setBool(QStringLiteral("LogConsoleMessages"), true);
    UserDefaults::setStandardForTesting(&settings);
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) { messages << message; });
    auto parser = parserForBytes("caf\x8E,\xA5");
    qInstallMessageHandler(previous);
    UserDefaults::setStandardForTesting(nullptr);
    EXPECT_EQ(
        messages, QStringList({ "unable to determine stream encoding; assuming MacOSRoman" }));
    EventRecorder recorder;
    parser->setDelegate(&recorder);
    EXPECT_EQ(parser->encoding(), TMCSVParser::Encoding::MacOSRoman);
    parser->parse();
    EXPECT_EQ(recorder.fields, QStringList({ QString::fromUtf8("café"), QString::fromUtf8("•") }));
    // A multi-byte character cut by the end of the first block still counts as UTF-8.
    QByteArray cut = QByteArray(511, 'a') + QString::fromUtf8("€").toUtf8();
    EXPECT_EQ(parserForBytes(cut)->encoding(), TMCSVParser::Encoding::UTF8);
    // ... but an input that ends within its first block is complete, so a lone
    // lead byte at its end is not a cut character.
    EXPECT_EQ(parserForBytes("abc\xE9")->encoding(), TMCSVParser::Encoding::MacOSRoman);
}

TEST(TMCSVParser, DecodesIncrementallyAcrossReadBoundaries)
{
    // Many records of multi-byte characters, so characters and quoted fields
    // straddle every read of the stream.
    QString text;
    QStringList expected;
    for (int i = 0; i < 3000; ++i) {
        const QString value = QString::fromUtf8("€%1 \"q\" 😀").arg(i);
        text += QStringLiteral("%1,\"%2\"\n").arg(i).arg(QString(value).replace("\"", "\"\""));
        expected << QString::number(i) << value;
    }
    const QByteArray encodings[]
        = { text.toUtf8(), "\xFF\xFE" + utf16(text, true), "\xFE\xFF" + utf16(text, false) };
    for (const QByteArray &bytes : encodings) {
        SCOPED_TRACE(bytes.left(2).toHex().constData());
        EventRecorder recorder;
        auto parser = parserForBytes(bytes);
        parser->setSanitizesFields(true);
        parser->setDelegate(&recorder);
        parser->parse();
        EXPECT_EQ(recorder.fields, expected);
        EXPECT_EQ(recorder.events.last(), "end");
        EXPECT_EQ(parser->totalBytesRead(), bytes.size());
    }
}

TEST(TMCSVParser, UndecodableBytesEndTheTextQuietly)
{
    QByteArray bytes = QByteArray(700, 'a') + ",b\nc,d\xFF\xFE,e\nf";
    EventRecorder recorder = parseBytes(bytes);
    EXPECT_EQ(recorder.fields, QStringList({ QString(700, u'a'), "b", "c", "d" }));
    EXPECT_EQ(recorder.events.last(), "end");
}

TEST(TMCSVParser, CancelStopsWithCancelledError)
{
    EventRecorder recorder;
    recorder.cancelAtField = 2;
    auto parser = parserForBytes("a,b,c\nd,e");
    parser->setDelegate(&recorder);
    parser->parse();
    EXPECT_EQ(recorder.fields, QStringList({ "a", "b" }));
    EXPECT_EQ(recorder.events.last(), "fail");
    ASSERT_TRUE(recorder.error);
    EXPECT_EQ(recorder.error->code(), Error::Code::Cancelled);
}

TEST(TMCSVParser, ReadsFilesAndReportsUnreadableOnes)
{
    test::ScratchDir dir;
    QFile file(dir.filePath("list.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBFName,Rating\nclip,4\n");
    file.close();

    EventRecorder recorder;
    auto parser = TMCSVParser::fromCSVFile(file.fileName());
    parser->setDelegate(&recorder);
    parser->parse();
    EXPECT_EQ(recorder.fields, QStringList({ "Name", "Rating", "clip", "4" }));

    EventRecorder missing;
    auto absent = TMCSVParser::fromCSVFile(dir.filePath("absent.csv"));
    absent->setDelegate(&missing);
    absent->parse();
    EXPECT_EQ(missing.events, QStringList({ "begin", "fail" }));
    EXPECT_EQ(missing.error->code(), Error::Code::Io);
}

TEST(TMCSVParser, ArbitraryBytesNeverStopTheProgram)
{
    QRandomGenerator random(42);
    const char alphabet[] = { ',', '"', '\n', '\r', ' ', 'a', '\t', '\0', '\xFF', '\xFE', '\xEF',
        '\xBB', '\xBF', '\x1B', '$', ')', 'C', '\xC3', '\xA9' };
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int length = random.bounded(64);
        for (int i = 0; i < length; ++i)
            bytes.append(alphabet[random.bounded(int(sizeof alphabet))]);
        for (bool sanitize : { false, true }) {
            EventRecorder recorder = parseBytes(bytes, sanitize);
            ASSERT_FALSE(recorder.events.isEmpty());
            const QString last = recorder.events.last();
            ASSERT_TRUE(last == "end" || last == "fail") << bytes.toHex().constData();
        }
    }
}
