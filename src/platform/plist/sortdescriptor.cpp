#include "sortdescriptor.h"

#include "platform/plist/archiveencoder.h"

namespace vidarium {

namespace {
const QString keyKey = QStringLiteral("NSKey");
const QString ascendingKey = QStringLiteral("NSAscending");
const QString selectorKey = QStringLiteral("NSSelector");
const QString reverseNullOrderKey = QStringLiteral("NSReverseNullOrder");
} // namespace

SortDescriptor::SortDescriptor(QString key, bool ascending, QString selector)
    : m_key(std::move(key))
    , m_ascending(ascending)
    , m_selector(std::move(selector))
{
}

std::shared_ptr<SortDescriptor> SortDescriptor::create(
    const QString &key, bool ascending, const QString &selector)
{
    return std::make_shared<SortDescriptor>(key, ascending, selector);
}

std::shared_ptr<const SortDescriptor> SortDescriptor::fromValue(const PlistValue &value)
{
    return std::dynamic_pointer_cast<const SortDescriptor>(value.toObject());
}

std::shared_ptr<SortDescriptor> SortDescriptor::reversed() const
{
    auto copy = std::make_shared<SortDescriptor>(*this);
    copy->m_ascending = !m_ascending;
    return copy;
}

void SortDescriptor::encode(ArchiveEncoder &encoder) const
{
    if (!m_key.isEmpty())
        encoder.encodeObject(keyKey, m_key);
    encoder.encodeBool(ascendingKey, m_ascending);
    if (!m_selector.isEmpty())
        encoder.encodeObject(selectorKey, m_selector);
    if (m_reverseNullOrder)
        encoder.encodeBool(reverseNullOrderKey, *m_reverseNullOrder);
}

bool SortDescriptor::operator==(const SortDescriptor &other) const
{
    return m_key == other.m_key && m_ascending == other.m_ascending
        && m_selector == other.m_selector && m_reverseNullOrder == other.m_reverseNullOrder;
}

} // namespace vidarium
