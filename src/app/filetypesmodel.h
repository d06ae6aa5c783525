#pragma once

// The editable list of video file types the program imports ("AllowableVideoFormats":
// entries with "Extension", "Description" and "Identifier"). Extensions are
// trimmed, lose a leading dot and are lower-cased; an empty or duplicate
// extension is refused, and an entry is stored only once it has an extension
// (an empty one would make every file without an extension a video). Every
// change is written to the settings at once.
// Threads: main thread.

#include "model/settingkeys.h"
#include "platform/plist/plistvalue.h"

#include <QAbstractTableModel>

namespace vidarium {

class UserDefaults;

class FileTypesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static inline const QString &SettingsKey = SettingKey::AllowableVideoFormats;
    enum Column { ExtensionColumn = 0, DescriptionColumn = 1, ColumnCount = 2 };

    explicit FileTypesModel(UserDefaults &defaults, QObject *parent = nullptr);

    // Reads the settings again, sorted by extension; entries that are not
    // dictionaries with a string extension are dropped.
    void reload();
    // A new "Untitled" entry without an extension (not stored until it gets one); its row.
    int addType();
    void removeTypes(QList<int> rows);
    // Replaces the list by the table's default entries and stores it.
    void restoreDefaultTypes(const PlistArray &defaultTypes);

    // The extension as stored: trimmed, without leading dots, lower-case.
    static QString normalizedExtension(const QString &text);
    QString extensionAt(int row) const;
    QString descriptionAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void store();
    void sortByExtension();

    UserDefaults &m_defaults;
    QList<PlistDictionary> m_entries;
};

} // namespace vidarium
