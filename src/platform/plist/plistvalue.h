#pragma once

// One value of a property list or keyed archive: the null marker, a boolean, an
// integer, a real, a date, data, a string, an array, a dictionary, a set, a UID
// (only inside raw archives) or an archived object. Cheap to copy (Qt implicit
// sharing for strings, data and containers).
// Threads: a value is immutable once shared; copies may cross threads.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

namespace vidarium {

class ArchivedObject; // archivedobject.h: any object of an archive that is not a plain value
class PlistValue;

using PlistArray = QList<PlistValue>;
using PlistDictionary = QMap<QString, PlistValue>;

// Seconds since 2001-01-01 00:00:00 UTC, kept as stored so dates round-trip exactly.
struct PlistDate
{
    double secondsSince2001 = 0;

    static PlistDate fromDateTime(const QDateTime &dateTime);
    QDateTime toDateTime() const; // UTC
    bool operator==(const PlistDate &other) const = default;
};

struct PlistUid
{
    quint64 index = 0;
    bool operator==(const PlistUid &other) const = default;
};

class PlistValue
{
public:
    enum class Type {
        Invalid, // no value at all (a missing key); never written
        Null, // the null marker ("$null" / NSNull): a slot that holds nothing
        Bool,
        Integer,
        Real,
        Date,
        Data,
        String,
        Array,
        Dictionary,
        Set,
        Uid,
        Object,
    };

    PlistValue() = default;
    PlistValue(bool value)
        : m_value(value)
    {
    }
    PlistValue(int value)
        : m_value(Integer { value, false })
    {
    }
    PlistValue(qint64 value)
        : m_value(Integer { value, false })
    {
    }
    PlistValue(double value)
        : m_value(Real { value, false })
    {
    }
    PlistValue(const QString &value)
        : m_value(value)
    {
    }
    PlistValue(const char *) = delete; // say QStringLiteral: no silent Latin-1 guesses
    PlistValue(const QByteArray &value)
        : m_value(value)
    {
    }
    PlistValue(PlistDate value)
        : m_value(value)
    {
    }
    PlistValue(const QDateTime &value)
        : m_value(PlistDate::fromDateTime(value))
    {
    }
    PlistValue(const PlistArray &value)
        : m_value(value)
    {
    }
    PlistValue(const PlistDictionary &value)
        : m_value(value)
    {
    }
    PlistValue(PlistUid value)
        : m_value(value)
    {
    }
    PlistValue(std::shared_ptr<ArchivedObject> object)
        : m_value(std::move(object))
    {
    }
    // Any subclass (SortDescriptor, the model's classes) without spelling out the cast.
    template <typename T>
    requires(!std::is_same_v<T, ArchivedObject> && std::is_convertible_v<T *, ArchivedObject *>)
        PlistValue(std::shared_ptr<T> object)
        : m_value(std::shared_ptr<ArchivedObject>(std::move(object)))
    {
    }

    static PlistValue null()
    {
        PlistValue v;
        v.m_value = NullMarker {};
        return v;
    }
    static PlistValue set(const PlistArray &members)
    {
        PlistValue v;
        v.m_value = Set { members };
        return v;
    }
    // An unsigned 64-bit integer of 2^63 or more, which binary lists store in 16 bytes.
    static PlistValue unsignedInteger(quint64 value);
    // A real stored as a 32-bit float (an archived float number).
    static PlistValue float32(float value)
    {
        PlistValue v;
        v.m_value = Real { value, true };
        return v;
    }

    Type type() const { return Type(m_value.index()); }
    bool isValid() const { return type() != Type::Invalid; }
    bool isNull() const { return type() == Type::Null; }
    // Invalid or the null marker: both mean "no value" to the catalogue.
    bool isAbsent() const { return type() == Type::Invalid || type() == Type::Null; }
    bool isNumber() const
    {
        return type() == Type::Integer || type() == Type::Real || type() == Type::Bool;
    }
    bool isUnsigned64() const;
    bool isFloat32() const;

    // Converting accessors answer a neutral value (0, false, empty) for another type;
    // numbers convert among bool, integer and real.
    bool toBool() const;
    qint64 toInteger() const;
    quint64 toUInt64() const;
    double toDouble() const;
    QString toString() const; // strings only
    QByteArray toData() const;
    PlistDate toDate() const;
    QDateTime toDateTime() const; // invalid QDateTime for a non-date
    // Arrays and sets. On a temporary these return a copy (cheap: implicitly shared),
    // so `for (x : v.value(k).toArray())` does not iterate a destroyed value.
    const PlistArray &toArray() const &;
    PlistArray toArray() && { return std::as_const(*this).toArray(); }
    const PlistDictionary &toDictionary() const &;
    PlistDictionary toDictionary() && { return std::as_const(*this).toDictionary(); }
    PlistUid toUid() const;
    std::shared_ptr<ArchivedObject> toObject() const;

    // Dictionary lookup; Invalid when this is not a dictionary or the key is missing.
    PlistValue value(const QString &key) const;

    // Deep equality; objects compare by identity.
    bool operator==(const PlistValue &other) const;
    bool operator!=(const PlistValue &other) const { return !(*this == other); }

    static QString typeName(Type type);

private:
    struct NullMarker
    {
        bool operator==(const NullMarker &) const = default;
    };
    struct Integer
    {
        qint64 bits;
        bool isUnsigned;
        bool operator==(const Integer &) const = default;
    };
    struct Real
    {
        double value;
        bool isFloat32;
        bool operator==(const Real &) const = default;
    };
    // Compared in the .cpp: a defaulted comparison here would need PlistValue complete.
    struct Set
    {
        PlistArray members;
        bool operator==(const Set &other) const;
    };

    std::variant<std::monostate, NullMarker, bool, Integer, Real, PlistDate, QByteArray, QString,
        PlistArray, PlistDictionary, Set, PlistUid, std::shared_ptr<ArchivedObject>>
        m_value;
};

} // namespace vidarium
