#pragma once

// The application's definition tables: "DefaultDefinitions" (first values of the
// application settings and of every new library's settings) and
// "PrivateDefinitions" (how each element property is titled, shown, formatted and
// sorted; the menu orders; the rating texts), plus the table of user-visible
// alert and notification texts. They ship inside the program as Qt resources, so
// they are found wherever it runs from. A missing or broken table loads as
// nothing: every lookup then gives nothing.
// Threads: shared() loads once (thread-safe) and is read-only afterwards.

#include "platform/plist/plistvalue.h"

#include <QString>
#include <QStringList>

namespace vidarium {

// One entry of "Properties": every member is empty when the table does not say.
struct PropertyDefinition
{
    QString label; // inspector rows, filter menu, export header
    QString arrangeTitle; // Arrange, Filter and table header menus
    QString binding; // key path the table column shows
    QString transformer; // registered value transformer name
    QString formatter; // formatter class name
    QString comparison; // sort selector; compareNumericString: when the table has none
    QString distinctUnion; // key path gathering the distinct values
    bool hasCell = false; // the column draws with its own cell (and no transformer)
};

class Definitions
{
public:
    static inline const QString DefaultDefinitionsPath
        = QStringLiteral(":/resources/DefaultDefinitions.plist");
    static inline const QString PrivateDefinitionsPath
        = QStringLiteral(":/resources/PrivateDefinitions.plist");
    static inline const QString LocalizableStringsPath
        = QStringLiteral(":/resources/Localizable.plist");
    static inline const QString DefaultComparison = QStringLiteral("compareNumericString:");

    // The tables shipped with the program, loaded on first use.
    static const Definitions &shared();
    // Makes `definitions` the shared tables until called with nullptr (tests of
    // settings that follow a changed table). The caller keeps ownership.
    static void setSharedForTesting(const Definitions *definitions);

    // Tables read from these files (Qt resource paths work too); a file that is
    // missing or not a dictionary property list gives an empty table.
    static Definitions load(const QString &defaultDefinitionsPath,
        const QString &privateDefinitionsPath, const QString &stringsPath = QString());
    Definitions() = default;
    Definitions(PlistDictionary defaultDefinitions, PlistDictionary privateDefinitions,
        PlistDictionary strings = {});

    const PlistDictionary &defaultDefinitions() const { return m_defaultDefinitions; }
    const PlistDictionary &privateDefinitions() const { return m_privateDefinitions; }

    PlistDictionary applicationDefaults() const;
    PlistDictionary documentDefaults() const;

    bool hasPropertyDefinition(const QString &key) const;
    PropertyDefinition propertyDefinition(const QString &key) const;
    // The keys of "Properties", sorted.
    QStringList propertyKeys() const;
    // The comparison to sort a property by: its "Comparison", else compareNumericString:
    // (also for user fields, which the table does not list).
    QString comparisonForKey(const QString &key) const;

    QStringList arrangeMenuItems() const;
    QStringList filterMenuItems() const;
    QStringList detailMenuItems() const;
    QStringList sourceListItems() const;
    QStringList ratingStrings() const;

    // The English text behind an alert or notification key; the key itself when the
    // table lacks it, so a missing text still says something.
    QString localizedString(const QString &key) const;

private:
    QStringList stringList(const QString &key) const;

    PlistDictionary m_defaultDefinitions;
    PlistDictionary m_privateDefinitions;
    PlistDictionary m_strings;
};

} // namespace vidarium
