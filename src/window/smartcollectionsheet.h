#pragma once

// The sheet in which the user names a smart collection and builds its criteria:
// for a new collection (the library creates it on OK) or an existing one (OK
// renames it and replaces its criteria). Criteria that do not compile are refused
// with an alert and the sheet stays open; criteria the rule rows cannot show are
// shown read-only and kept as they are.
// Threads: main thread.

#include "model/mediaplaylist.h"
#include "widgets/predicateeditortemplate.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vidarium {

class MediaLibrary;
class PredicateEditor;

class SmartCollectionSheet : public QDialog
{
    Q_OBJECT
public:
    // `playlist` null: a new collection. The sheet is not shown yet.
    SmartCollectionSheet(MediaLibrary &library, MediaPlaylistPtr playlist, QWidget *parent);
    ~SmartCollectionSheet() override;

    // The rule rows a library offers: its element properties, then its active
    // user fields after a separator when it has any.
    static QList<PredicateEditorTemplate> rowTemplates(const MediaLibrary &library);

    PredicateEditor *editor() const { return m_editor; }
    QLineEdit *nameField() const { return m_nameField; }
    // True when the collection's criteria are shown as text and kept as they are.
    bool isReadOnly() const { return m_readOnly; }
    // The alert shown for unusable criteria while it is open.
    QMessageBox *alert() const { return m_alert; }
    MediaPlaylistPtr playlist() const { return m_playlist; }

    // The OK button: checks, saves and closes, or alerts and stays open.
    void okButtonAction();
    void cancelButtonAction();

signals:
    // Only after a save: the collection made or changed.
    void didCloseWithPlaylist(const MediaPlaylistPtr &playlist);

private:
    void buildLayout();
    void showCriteria();
    void updateOkButton();
    void showAlert(const QString &detail);
    void save(const std::optional<Predicate> &predicate);

    QPointer<MediaLibrary> m_library;
    MediaPlaylistPtr m_playlist;
    QLineEdit *m_nameField = nullptr;
    PredicateEditor *m_editor = nullptr;
    QPlainTextEdit *m_criteriaText = nullptr;
    QLabel *m_readOnlyNote = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QPointer<QMessageBox> m_alert;
    bool m_readOnly = false;
};

} // namespace vidarium
