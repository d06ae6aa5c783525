// Archives and unarchives a catalogue of 100,000 element-like objects of 27 keys
// each, the size of the largest libraries, and compares the binary and XML forms.
// Run: build/bench/bench_plistbench [element count]. Times are processor seconds.
//
// Last figures (Release, 100,000 elements, 2-core machine shared with other
// builds, load average 7 to 10; one run):
//   archive (binary)                2.0 s    75.3 MB
//   read plist (binary)             2.9 s
//   unarchive, generic objects      1.7 s    (after the read)
//   unarchive, registered decoder   3.0 s    (read included)
//   write XML plist                 7.8 s   546.6 MB
//   unarchive from XML             31.9 s    (read included)
//   XML / binary: size 7.3 x, unarchive time 10.8 x

#include "platform/plist/keyedarchive.h"
#include "platform/plist/propertylist.h"
#include "settingsisolation.h"

#include <QCoreApplication>
#include <QUuid>

#include <cstdio>
#include <ctime>

using namespace vidarium;

namespace {

// Shaped like a catalogue element: strings, numbers, dates, data, a null, collections.
class BenchElement : public ArchivedObject
{
public:
    static inline const QString name = QStringLiteral("MediaElement");
    PlistDictionary values; // in the order of writing below
    QStringList order;

    QString className() const override { return name; }
    void encode(ArchiveEncoder &encoder) const override
    {
        for (const QString &key : order)
            encoder.encodeObject(key, values.value(key));
        encoder.encodeBool(QStringLiteral("error"), false);
    }
};

std::shared_ptr<BenchElement> makeElement(int i, const QString &owner)
{
    auto e = std::make_shared<BenchElement>();
    auto put = [&](const char *key, const PlistValue &value) {
        e->order.append(QLatin1String(key));
        e->values.insert(QLatin1String(key), value);
    };
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    put("owner", owner);
    put("identifier", id);
    put("assets", 15);
    put("tool", QStringLiteral("com.tallowmere.vidarium.importer.av"));
    put("batch", QStringLiteral("B-%1").arg(i / 1000));
    put("device", QStringLiteral("Archive"));
    put("path", QStringLiteral("/media/archive/films/%1/clip %2.mov").arg(i / 100).arg(i));
    put("bookmark", QByteArray(180, char(i)));
    put("checksum", QString());
    put("size", qint64(1000000) * (i % 5000));
    put("duration", 12.5 + i);
    put("pixelsWide", 1920);
    put("pixelsHigh", 1080);
    put("frameRate", 29.97);
    put("videoCodec", QStringLiteral("H.264"));
    put("audioCodec", QStringLiteral("AAC"));
    put("creationDate", PlistDate { 600000000.0 + i });
    put("modifiedDate", PlistDate { 600000100.0 + i });
    put("importedDate", PlistDate { 700000000.0 });
    put("launchedDate", PlistValue::null());
    put("playCount", i % 7);
    put("rating", i % 6);
    PlistDictionary metrics;
    for (const char *key :
        { "ThumbnailWidth", "ThumbnailHeight", "StoryboardColumns", "StoryboardRows",
            "StoryboardWidth", "FilmstripFrames", "FilmstripHeight", "JPEGQuality" })
        metrics.insert(QLatin1String(key), 160);
    put("imageMetrics", metrics);
    put("userComments", QString());
    put("userKeywords", PlistValue::set({ QStringLiteral("K-%1").arg(i % 20) }));
    put("userFields",
        PlistDictionary { { QStringLiteral("F-1"), QStringLiteral("value %1").arg(i % 50) } });
    return e;
}

Result<PlistValue> decodeElement(ArchiveDecoder &decoder)
{
    auto e = std::make_shared<BenchElement>();
    for (const QString &key : decoder.keys()) {
        e->order.append(key);
        e->values.insert(key, decoder.decodeObject(key));
    }
    return PlistValue(std::shared_ptr<ArchivedObject>(e));
}

// Processor time of this process since the last call: the machines these figures come
// from are shared, and wall-clock time there measures the neighbours.
class CpuTimer
{
public:
    void start() { m_last = now(); }
    void restart() { start(); }
    double elapsed()
    {
        const double t = now();
        const double s = t - m_last;
        m_last = t;
        return s;
    }

private:
    static double now()
    {
        timespec ts {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
    double m_last = 0;
};

double seconds(CpuTimer &timer)
{
    return timer.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything reads HOME or the XDG folders; the media corpus stays in the user's cache.
    const vidarium::test::SettingsIsolation isolation(
        vidarium::test::SettingsIsolation::Cache::Shared);
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString owner = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();

    PlistDictionary media;
    for (int i = 0; i < count; ++i) {
        auto e = makeElement(i, owner);
        media.insert(e->values.value(QStringLiteral("identifier")).toString(),
            std::shared_ptr<ArchivedObject>(e));
    }
    PlistDictionary root;
    root.insert(QStringLiteral("Format"), 10);
    root.insert(QStringLiteral("Media"), media);

    CpuTimer timer;
    timer.start();
    const QByteArray binary = KeyedArchiver::archivedData(root);
    const double archiveTime = seconds(timer);

    Result<PlistValue> plist = PropertyList::read(binary);
    const double readTime = seconds(timer);
    if (!plist) {
        std::fprintf(stderr, "read failed: %s\n", qPrintable(plist.error().message()));
        return 1;
    }
    Result<PlistValue> generic = KeyedUnarchiver::unarchive(*plist);
    const double genericTime = seconds(timer);
    ArchiveCoderRegistry::instance().registerDecoder(BenchElement::name, decodeElement);
    timer.restart();
    Result<PlistValue> decoded = KeyedUnarchiver::unarchive(binary);
    const double unarchiveTime = seconds(timer);
    for (const Result<PlistValue> *result : { &generic, &decoded }) {
        if (!result->ok()) {
            std::fprintf(stderr, "unarchive failed: %s\n", qPrintable(result->error().message()));
            return 1;
        }
    }
    if (decoded->value(QStringLiteral("Media")).toDictionary().size() != count) {
        std::fprintf(stderr, "unarchive lost elements\n");
        return 1;
    }

    const QByteArray xml = PropertyList::writeXml(*plist);
    const double xmlWriteTime = seconds(timer);
    Result<PlistValue> fromXml = KeyedUnarchiver::unarchive(xml);
    const double xmlUnarchiveTime = seconds(timer);
    if (!fromXml) {
        std::fprintf(stderr, "XML unarchive failed: %s\n", qPrintable(fromXml.error().message()));
        return 1;
    }

    std::printf("%d elements of %d keys\n", count, int(makeElement(0, owner)->order.size()) + 1);
    std::printf(
        "archive (binary)              %7.3f s  %6.1f MB\n", archiveTime, binary.size() / 1e6);
    std::printf("read plist (binary)           %7.3f s\n", readTime);
    std::printf("unarchive, generic objects    %7.3f s  (after the read above)\n", genericTime);
    std::printf("unarchive, registered decoder %7.3f s  (read included)\n", unarchiveTime);
    std::printf(
        "write XML plist               %7.3f s  %6.1f MB\n", xmlWriteTime, xml.size() / 1e6);
    std::printf("unarchive from XML            %7.3f s  (read included)\n", xmlUnarchiveTime);
    std::printf("XML / binary: size %.1fx, unarchive time %.1fx\n",
        double(xml.size()) / binary.size(), xmlUnarchiveTime / unarchiveTime);
    return 0;
}
