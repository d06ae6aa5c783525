#pragma once

// One sort criterion: a key path, a direction and the name of the comparison
// operation ("compare:", "localizedStandardCompare:", ...). Archived as
// NSSortDescriptor, which is how library settings store the items' sort order.
// Threads: immutable; any thread.

#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"

#include <memory>
#include <optional>

namespace vidarium {

class SortDescriptor : public ArchivedObject
{
public:
    static inline const QString archivedClassName = QStringLiteral("NSSortDescriptor");
    static inline const QString defaultSelector = QStringLiteral("compare:");

    // An empty key stands for "no key" (the object itself) and is left out when archived.
    explicit SortDescriptor(QString key, bool ascending = true, QString selector = defaultSelector);

    static std::shared_ptr<SortDescriptor> create(
        const QString &key, bool ascending = true, const QString &selector = defaultSelector);
    // The descriptor held by a value, or null when it holds something else.
    static std::shared_ptr<const SortDescriptor> fromValue(const PlistValue &value);

    const QString &key() const { return m_key; }
    bool ascending() const { return m_ascending; }
    const QString &selector() const { return m_selector; }
    // Newer archives record where nulls sort; kept only to be written back as found.
    std::optional<bool> reverseNullOrder() const { return m_reverseNullOrder; }
    void setReverseNullOrder(std::optional<bool> value) { m_reverseNullOrder = value; }

    // The same criterion in the other direction.
    std::shared_ptr<SortDescriptor> reversed() const;

    QString className() const override { return archivedClassName; }
    void encode(ArchiveEncoder &encoder) const override;

    bool operator==(const SortDescriptor &other) const;

private:
    QString m_key;
    bool m_ascending = true;
    QString m_selector;
    std::optional<bool> m_reverseNullOrder;
};

} // namespace vidarium
