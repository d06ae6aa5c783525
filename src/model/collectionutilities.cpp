#include "collectionutilities.h"

namespace vidarium {

namespace {

bool isPropertyList(const PlistValue &value, int depth)
{
    // Deeper than any settings structure; refuses runaway nesting.
    if (depth > 512)
        return false;
    switch (value.type()) {
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
    case PlistValue::Type::Real:
    case PlistValue::Type::Date:
    case PlistValue::Type::Data:
    case PlistValue::Type::String:
        return true;
    case PlistValue::Type::Array:
        for (const PlistValue &member : value.toArray())
            if (!isPropertyList(member, depth + 1))
                return false;
        return true;
    case PlistValue::Type::Dictionary:
        for (const PlistValue &member : value.toDictionary())
            if (!isPropertyList(member, depth + 1))
                return false;
        return true;
    default:
        return false;
    }
}

} // namespace

PlistValue copyDeep(const PlistValue &value)
{
    return isPropertyList(value, 0) ? value : PlistValue();
}

void setObjectIfMissingKey(PlistDictionary &dictionary, const QString &key, const PlistValue &value)
{
    if (!dictionary.value(key).isValid())
        dictionary.insert(key, value);
}

QList<int> indexPathByIncrementingIndexPath(QList<int> indexPath)
{
    if (!indexPath.isEmpty())
        ++indexPath.last();
    return indexPath;
}

} // namespace vidarium
