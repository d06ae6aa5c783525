#pragma once

// Elements on the clipboard or in a drag, under the element type. Any program
// can put bytes there, so they are decoded only through the hardened archive
// reader, only up to a size cap, and once per clipboard change (the window asks
// on every re-validation).
// Threads: main thread.

#include "model/mediaelement.h"

#include <QMimeData>
#include <QObject>

#include <optional>

namespace vidarium {

// Element data made in this process: it also holds the elements themselves,
// so a drop target here need not decode the archive (a drag of 10,000
// elements is checked on every pointer move).
class ElementMimeData : public QMimeData
{
    Q_OBJECT
public:
    explicit ElementMimeData(MediaElementList elements)
        : m_elements(std::move(elements))
    {
    }
    const MediaElementList &elements() const { return m_elements; }

private:
    MediaElementList m_elements;
};

class ElementClipboard : public QObject
{
    Q_OBJECT
public:
    static inline const QString DocumentIdentifierType
        = QStringLiteral("com.tallowmere.vidarium.pasteboard.documentidentifiertype");
    // Far more than any real selection archives to; more is refused unread.
    static constexpr qsizetype MaximumBytes = 64 * 1024 * 1024;

    static ElementClipboard &instance();

    // The elements on the general clipboard, decoded once per change.
    const MediaElementList &elements();
    // Whether the clipboard holds elements whose library is not `libraryIdentifier`.
    bool containsForeignElements(const QString &libraryIdentifier);
    // How many times clipboard bytes were decoded (tests check the caching).
    int decodeCount() const { return m_decodeCount; }

    // Decodes the element type of `data`: an archive whose root is an element or
    // an array of elements. Anything else, or bytes over the cap, gives nothing.
    static MediaElementList decode(const QMimeData *data);
    static MediaElementList decode(const QByteArray &bytes);
    // The element type for `elements` (an archived array), with the library's
    // identifier; an ElementMimeData.
    static QMimeData *mimeData(const MediaElementList &elements, const QString &libraryIdentifier);

private:
    ElementClipboard();
    void invalidate();

    std::optional<MediaElementList> m_cache;
    int m_decodeCount = 0;
};

} // namespace vidarium
