// Feeds arbitrary bytes to the binary property-list reader. Whatever it accepts must
// write back and read again to the same value.

#include "platform/plist/binaryplistreader.h"
#include "platform/plist/plistjson.h"
#include "platform/plist/propertylist.h"

#include <cstdint>
#include <cstdlib>

using namespace vidarium;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<PlistValue> value = BinaryPlistReader::read(bytes);
    if (!value)
        return 0;
    const Result<QByteArray> json = PlistJson::toJson(*value, qint64(1) << 24);
    const Result<PlistValue> again = BinaryPlistReader::read(PropertyList::writeBinary(*value));
    if (!again)
        std::abort();
    // Compared as text: linear even for large sets, and NaN equals NaN.
    if (json.ok() && PlistJson::toJson(*again, qint64(1) << 24).valueOr(QByteArray()) != *json)
        std::abort();
    return 0;
}
