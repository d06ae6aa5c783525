#pragma once

// Turns a CSV export of the Usher cataloguing application into the contents of a
// new library: each data line becomes an element for the file at its location,
// with its rating, notes as comments, tags as keywords and every further column as
// a user field. The elements are queued for import, which reads their properties
// and images afresh.
// Threads: main thread (fills the library).

#include "document/tmcsvparser.h"
#include "model/mediaelement.h"
#include "platform/result.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace vidarium {

class MediaLibrary;

class DocumentMigrationUsher : private TMCSVParserDelegate
{
public:
    explicit DocumentMigrationUsher(MediaLibrary &library);

    // readFromLegacyFileWrapper: fails when the bytes are not UTF-8, when there is
    // no data line, or when the header lacks "Name", "Location" or "Rating". Lines
    // that do not fit the header are skipped and counted. Whatever elements were
    // made are queued in every case.
    Result<void> readFromFile(const QString &path);
    Result<void> readFromData(const QByteArray &data);

    // Whether the header names the three columns every export has.
    static bool validateUsherFields(const QStringList &fields);
    // The element key a column fills; an unknown column makes a user field of its
    // name and fills that.
    QString keyForFieldName(const QString &name);
    // The identifiers of the keywords of a "; "-separated tag text, each keyword
    // made once per library.
    QStringList keywordIdentifiersForTagString(const QString &tags);

    // The elements made, in file order.
    const MediaElementList &elements() const { return m_elements; }
    int skippedLines() const { return m_skippedLines; }

private:
    void parserDidBeginDocument(TMCSVParser &parser) override;
    void parserDidReadField(TMCSVParser &parser, const QString &field, int index) override;
    void parserDidEndDocument(TMCSVParser &parser) override;

    void parseLine(const QString &line);
    void readHeader();
    void readDataLine();

    MediaLibrary &m_library;
    QStringList m_keys;
    QStringList m_fields;
    QHash<QString, QString> m_tags; // tag text to keyword identifier
    MediaElementList m_elements;
    bool m_readingHeader = true;
    bool m_lineEnded = false;
    int m_skippedLines = 0;
};

} // namespace vidarium
