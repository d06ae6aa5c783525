#pragma once

// The tab-delimited text form of a catalogue: a header row of property labels and
// active user-field names, and one row per element with the standard (not the
// display) text of each value. Tabs and line breaks inside a value are written as
// spaces, so every row has exactly the header's columns. The file is UTF-16
// little-endian with a byte-order mark, replaced atomically.
// Threads: main thread (reads the library and its elements); writeFile and
// flattened touch no model and may run on any thread.

#include "model/mediaelement.h"
#include "platform/result.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vidarium {

class Definitions;
class MediaLibrary;

class TabDelimitedExport
{
public:
    // The element properties of the fixed columns, in column order.
    static const QStringList &propertyKeys();

    // tabDelimitedHeader: the "Label" of each fixed property (its key when the
    // definitions have no label), then the name of each active user field.
    static QString tabDelimitedHeader(const MediaLibrary &library);
    static QString tabDelimitedHeader(const MediaLibrary &library, const Definitions &definitions);
    // tabDelimitedRepresentation: the element's row, with a single space for each
    // active user field it has no value for. Without a library there are no fields.
    static QString tabDelimitedRepresentation(const MediaElement &element);

    // The header and one row per element, joined by line feeds, no final line feed.
    static QString text(const MediaLibrary &library, const MediaElementList &elements);
    // Writes text as UTF-16 LE with its mark. The old file stays whole until the
    // new one is complete.
    static Result<void> writeFile(const QString &path, const QString &text);

    // The standard text of a stored number: integral values without decimals,
    // others with up to 16 significant digits (7 for single precision) in plain
    // decimal, without trailing zeros.
    static QString numberText(double value, bool singlePrecision = false);
    // "2024-01-31 12:34:56 +0000".
    static QString dateText(const PlistDate &date);
    // Tabs and line breaks become single spaces.
    static QString flattened(const QString &value);

    // One element's row for the given field columns, and the library's field
    // columns: the window formats a large export a slice at a time with these.
    static QString row(const MediaElement &element, const QStringList &fieldIdentifiers);
    static QStringList activeFieldIdentifiers(const MediaLibrary &library);
};

} // namespace vidarium
