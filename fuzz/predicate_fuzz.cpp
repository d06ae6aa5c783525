// libFuzzer target for the criteria language: any text either fails to parse
// with an error, or parses to a tree that prints back to text parsing to the same
// tree, survives the archived form unchanged, and evaluates without crashing.

#include "model/keyvaluesource.h"
#include "model/predicate.h"
#include "model/predicatecoding.h"
#include "platform/plist/keyedarchive.h"

#include <cstdint>
#include <cstdlib>

using namespace vidarium;

namespace {

const ValueKeyValueSource &sampleElement()
{
    static const ValueKeyValueSource source { PlistValue(PlistDictionary {
        { QStringLiteral("name"), QStringLiteral("clíp 2") },
        { QStringLiteral("rating"), 3 },
        { QStringLiteral("frameRate"), 29.97 },
        { QStringLiteral("launchedDate"), PlistValue::null() },
        { QStringLiteral("userKeywords"), PlistValue::set({ QStringLiteral("K1") }) },
    }) };
    return source;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool registered = [] {
        PredicateCoding::registerArchiveCoders();
        return true;
    }();
    (void)registered;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<Predicate> predicate = Predicate::parse(text);
    if (!predicate) {
        if (predicate.error().message().isEmpty())
            std::abort();
        return 0;
    }
    const Result<Predicate> reparsed = Predicate::parse(predicate->format());
    if (!reparsed || !(*reparsed == *predicate))
        std::abort();
    const Result<PlistValue> unarchived = KeyedUnarchiver::unarchive(
        KeyedArchiver::archivedData(PredicateCoding::archivedValue(*predicate)));
    if (!unarchived)
        return 0; // nesting past the archive reader's bound is refused, not an error here
    const Result<Predicate> decoded = PredicateCoding::predicateFromValue(*unarchived);
    if (!decoded || !(*decoded == *predicate))
        std::abort();
    (void)predicate->evaluate(sampleElement());
    return 0;
}
