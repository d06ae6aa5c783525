// Feeds arbitrary bytes (binary or XML) to the keyed unarchiver. Whatever it accepts
// must archive again and read back to the same JSON. Binary bytes are read in place
// as well as from their parsed values: what the parsed form accepts, the reading in
// place must accept alike.

#include "platform/plist/keyedarchiver.h"
#include "platform/plist/keyedunarchiver.h"
#include "platform/plist/plistjson.h"
#include "platform/plist/propertylist.h"

#include <cstdint>
#include <cstdlib>

using namespace vidarium;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<PlistValue> inPlace = KeyedUnarchiver::unarchive(bytes);
    const Result<PlistValue> plist = PropertyList::read(bytes);
    if (!plist)
        return 0;
    (void)KeyedUnarchiver::unarchiveTopObjects(*plist);
    const Result<PlistValue> root = KeyedUnarchiver::unarchive(*plist);
    if (!root)
        return 0;
    const Result<QByteArray> json = PlistJson::toJson(*root, qint64(1) << 24);
    if (!inPlace)
        std::abort();
    if (json.ok() && PlistJson::toJson(*inPlace, qint64(1) << 24).valueOr(QByteArray()) != *json)
        std::abort();
    const Result<PlistValue> again = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(*root));
    if (!again)
        std::abort();
    if (json.ok() && PlistJson::toJson(*again, qint64(1) << 24).valueOr(QByteArray()) != *json)
        std::abort();
    return 0;
}
