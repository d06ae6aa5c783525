#pragma once

// What a predicate is evaluated against: anything that answers values by key.
// The media element answers its properties and user fields; a plain value
// (a string for SELF, a dictionary) is adapted by ValueKeyValueSource.
// Threads: as thread-safe as the object behind it.

#include "model/elementkeys.h"
#include "platform/plist/plistvalue.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace vidarium {

// A key looked up once for reading from many objects: criteria read the same
// keys of a hundred thousand elements, and finding the property by its name for
// each of them cost more than reading the value.
class PreparedKey
{
public:
    explicit PreparedKey(const QString &name)
        : m_name(name)
        , m_elementKey(ElementKeys::fromName(name))
    {
    }

    const QString &name() const { return m_name; }
    // The element property of that name; nothing for any other key (a user field).
    std::optional<ElementKey> elementKey() const { return m_elementKey; }

private:
    QString m_name;
    std::optional<ElementKey> m_elementKey;
};

// A test of one piece of text, handed the text where it lies.
class StringTest
{
public:
    virtual bool test(QStringView text) const = 0;

protected:
    ~StringTest() = default;
};

class KeyValueSource
{
public:
    virtual ~KeyValueSource() = default;

    // The value for one key; Invalid when the object has none.
    virtual PlistValue valueForKey(const QString &key) const = 0;
    // The same as valueForKey(key.name()); objects that can use the lookup made in
    // advance override it.
    virtual PlistValue valueForPreparedKey(const PreparedKey &key) const
    {
        return valueForKey(key.name());
    }
    // The test's answer for the key's value when that is text, given without copying
    // it (searches test the text of every object); nothing when the value is not
    // text or the object does not offer it so, and callers read the value instead.
    virtual std::optional<bool> testText(const PreparedKey &, const StringTest &) const
    {
        return std::nullopt;
    }
    // "a.b.c": the value for "a", then the rest of the path followed into it
    // (see valueForKeyPathOfValue). Objects with computed paths override this.
    virtual PlistValue valueForKeyPath(const QString &keyPath) const;
    // The object itself, for SELF. An object without a plain-value form answers an
    // opaque object that equals nothing else, so that SELF is never nil.
    virtual PlistValue selfValue() const;
    // FUNCTION(SELF, 'selector', arguments...): Invalid when there is no such method.
    virtual PlistValue callFunction(const QString &selector, const PlistArray &arguments) const;
};

// Follows a dotted key path into a plain value: a dictionary by key, an array
// or set member by member (collecting the results), "@count" as the number of
// members of an array, set or dictionary. Invalid when a step has no value.
PlistValue valueForKeyPathOfValue(const PlistValue &value, QStringView keyPath);

// A plain value as a source: SELF is the value; keys look into dictionaries.
class ValueKeyValueSource final : public KeyValueSource
{
public:
    explicit ValueKeyValueSource(PlistValue value)
        : m_value(std::move(value))
    {
    }

    PlistValue valueForKey(const QString &key) const override;
    PlistValue valueForKeyPath(const QString &keyPath) const override;
    PlistValue selfValue() const override { return m_value; }

private:
    PlistValue m_value;
};

} // namespace vidarium
