#pragma once

// A keyword of a library. Elements carry keyword identifiers; the keyword gives
// the text. A keyword lives only while some element of its library carries it
// (the library prunes the rest).
// Threads: main thread, like the library that holds it.

#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

namespace vidarium {

class ArchiveDecoder;
class MediaLibrary;
class MediaUserKeyword;
using MediaUserKeywordPtr = std::shared_ptr<MediaUserKeyword>;

class MediaUserKeyword final : public ArchivedObject
{
public:
    static inline const QString ClassName = QStringLiteral("MediaUserKeyword");
    static inline const QString UntitledName = QStringLiteral("Untitled");

    // initWithLibrary:name: a new identifier; the name as given, or for an empty
    // name the first of "Untitled", "Untitled 1", "Untitled 2", ... that no
    // keyword of the library has. Without a library the keyword is an empty
    // object, as an archive reader starts from.
    static MediaUserKeywordPtr create(MediaLibrary *library, const QString &name = QString());
    MediaUserKeyword() = default;

    // The first of "Untitled", "Untitled 1", ... that is not among `names`.
    static QString untitledName(const QStringList &names);

    MediaLibrary *library() const { return m_library.data(); }
    void setLibrary(MediaLibrary *library) { m_library = library; }

    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    // May be absent in an archive (a null QString); the library names such keywords
    // "Untitled" when it validates them.
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

    MediaUserKeywordPtr copy() const;
    bool operator==(const MediaUserKeyword &other) const
    {
        return m_identifier == other.m_identifier;
    }

    QString className() const override { return ClassName; }
    void encode(ArchiveEncoder &encoder) const override;
    static Result<PlistValue> decode(ArchiveDecoder &decoder);
    // Registers the decoder under "MediaUserKeyword"; safe to call repeatedly.
    static void registerArchiveCoder();

private:
    QPointer<MediaLibrary> m_library;
    QString m_identifier;
    QString m_name;
};

} // namespace vidarium
