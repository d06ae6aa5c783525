#pragma once

// The outcome of a call that can fail: a value, or an Error whose message is fit
// to show a user. We do not throw; callers test the result and go on.
// Threads: plain values; safe to move between threads.

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace vidarium {

class Error
{
public:
    enum class Code {
        Generic,
        NotFound,
        Io,
        Corrupt, // the bytes do not form what they claim to be
        Unsupported, // well-formed but of a kind or version we do not handle
        Cancelled,
        Timeout,
        InvalidArgument,
        Busy, // another program holds what was asked for
    };

    Error() = default;
    Error(Code code, QString message)
        : m_code(code)
        , m_message(std::move(message))
    {
    }
    explicit Error(QString message)
        : m_message(std::move(message))
    {
    }

    Code code() const { return m_code; }
    const QString &message() const { return m_message; }

    // Keeps the code and puts a context phrase in front: "Reading X: <message>".
    Error withContext(const QString &context) const
    {
        return Error(m_code, context + QStringLiteral(": ") + m_message);
    }

private:
    Code m_code = Code::Generic;
    QString m_message;
};

template <typename T> class [[nodiscard]] Result
{
public:
    Result(const T &value)
        : m_state(value)
    {
    }
    Result(T &&value)
        : m_state(std::move(value))
    {
    }
    Result(const Error &error)
        : m_state(error)
    {
    }
    Result(Error &&error)
        : m_state(std::move(error))
    {
    }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_state); }
    T &value() & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const T &operator*() const & { return value(); }
    T &operator*() & { return value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }

    const Error &error() const { return std::get<1>(m_state); }

    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> m_state;
};

// For calls that succeed with nothing to return.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(const Error &error)
        : m_error(error)
    {
    }
    Result(Error &&error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

} // namespace vidarium

// Reads one step of a sequence of fallible calls: evaluates `expression` (a Result),
// returns its error from the enclosing function when it failed, and otherwise
// declares `declaration` with its value, moved out (or assigns it, given a name):
//     VIDARIUM_TRY(const quint64 index, objects.member(entry, i));
//     VIDARIUM_TRY(top, binaryValue(index, 0));
// A reference declared this way refers into the result, which lives to the end of
// the enclosing block: `PlistValue &&value` takes a large value without a move.
// A macro, because only a macro can return from its caller; it spares the three
// lines (call, test, unwrap) that every such step otherwise takes.
#define VIDARIUM_TRY(declaration, expression)                                                      \
    auto &&VIDARIUM_TRY_NAME_(__LINE__) = (expression);                                            \
    if (!VIDARIUM_TRY_NAME_(__LINE__).ok())                                                        \
        return VIDARIUM_TRY_NAME_(__LINE__).error();                                               \
    declaration = std::move(VIDARIUM_TRY_NAME_(__LINE__)).value()
#define VIDARIUM_TRY_NAME_(line) VIDARIUM_TRY_JOIN_(vidariumTried_, line)
#define VIDARIUM_TRY_JOIN_(a, b) a##b
