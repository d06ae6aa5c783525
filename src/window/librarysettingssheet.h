#pragma once

// The library's own settings as a sheet on its window. Every control edits a
// private deep copy; OK hands the field list to the library, writes the column
// visibility and watched folders into the copy, makes a fresh copy of it the
// document's settings and announces the change, which every pane answers.
// Cancel throws the copy away and keeps only the tab last shown.
// Threads: main thread.

#include "model/documentdefaults.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QListView;
class QTabWidget;
class QTableView;

namespace vidarium {

class Document;
class SourceFolderListModel;
class UserFieldListModel;

class LibrarySettingsSheet : public QDialog
{
    Q_OBJECT
public:
    enum Tab { GeneralTab, CollectionsTab, ImagesTab, FieldsTab, FoldersTab, TabCount };

    // Opens on the tab last shown. The sheet is not shown yet.
    LibrarySettingsSheet(Document &document, QWidget *parent);
    ~LibrarySettingsSheet() override;

    DocumentDefaults &workingCopy() const { return *m_copy; }
    QTabWidget *tabs() const { return m_tabs; }
    UserFieldListModel *fieldModel() const { return m_fieldModel; }
    QTableView *fieldView() const { return m_fieldView; }
    SourceFolderListModel *folderModel() const { return m_folderModel; }
    QListView *folderView() const { return m_folderView; }
    // The line under the lists that says why an edit or a drop was refused.
    QLabel *messageLabel() const { return m_message; }

    void addUserDefinedField();
    // Every selected field leaves the list, and with it its column visibility entry.
    void removeUserDefinedFields();
    // The folder panel; the folders chosen join the list.
    void addSourceFolder();
    void removeSourceFolders();

    void okButtonAction();
    void cancelButtonAction();
    void reject() override;

private:
    QWidget *buildGeneralTab();
    QWidget *buildCollectionsTab();
    QWidget *buildImagesTab();
    QWidget *buildFieldsTab();
    QWidget *buildFoldersTab();
    QCheckBox *boundCheckBox(const QString &text, const QString &key);
    QCheckBox *metricCheckBox(const QString &text, const QString &metric);
    QWidget *metricSpinBox(const QString &metric, int minimum, int maximum);
    void setImageMetric(const QString &metric, const PlistValue &value);
    void showMessage(const QString &message);
    void finish();

    QPointer<Document> m_document;
    DocumentDefaultsPtr m_copy;
    QTabWidget *m_tabs = nullptr;
    UserFieldListModel *m_fieldModel = nullptr;
    QTableView *m_fieldView = nullptr;
    SourceFolderListModel *m_folderModel = nullptr;
    QListView *m_folderView = nullptr;
    QLabel *m_message = nullptr;
    bool m_finished = false;
};

} // namespace vidarium
