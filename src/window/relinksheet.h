#pragma once

// The sheet that finds moved files again: it lists the elements whose files are
// missing (found by a worker, with progress), lets the user locate one of them,
// then looks for the others at the same places relative to it. A file is never
// given to two elements: one matched in the sheet, or held by another element
// of the library, is refused with the reason. OK points the matched elements at
// their new files, after checking the files did not change meanwhile.
// Threads: main thread; the scan runs on a pool thread.

#include "model/mediaelement.h"
#include "window/relinkmatcher.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace vidarium {

class Document;

class RelinkSheet : public QDialog
{
    Q_OBJECT
public:
    RelinkSheet(Document &document, QWidget *parent);
    ~RelinkSheet() override;

    bool isScanning() const { return m_scanning; }
    // Missing elements not matched yet, by name.
    const MediaElementList &missingElements() const { return m_missing; }
    // Matched elements by name, and the file each was given.
    MediaElementList matchedElements() const;
    QString matchedPath(const MediaElementPtr &element) const;
    QString summaryText() const;
    // The last refusal or warning shown in the sheet; empty when none.
    QString messageText() const;
    QTreeWidget *missingView() const { return m_missingView; }
    QTreeWidget *matchedView() const { return m_matchedView; }

    // Locates the first selected missing element with the open panel.
    void locateButtonAction();
    // Matches `element` to the file at `path` and looks for the others around it.
    // Returns why the file was refused; empty when it was taken.
    QString locate(const MediaElementPtr &element, const QString &path);
    // Moves the elements back from the matches to the missing list.
    void removeMatchedElements(const MediaElementList &elements);
    void okButtonAction();
    void cancelButtonAction();

signals:
    void scanFinished();

private:
    struct Match
    {
        MediaElementPtr element;
        RelinkMatcher::Check file;
    };
    struct ScanState;

    void buildLayout();
    void startScan();
    void scanDone(RelinkMatcher::Scan scan);
    // Why `file` cannot be `element`'s; empty when it can.
    QString refusal(const MediaElementPtr &element, const RelinkMatcher::Check &file) const;
    void addMatches(const QList<Match> &matches);
    void discoverMatchesUsingElement(const MediaElementPtr &located, const QString &found);
    void refreshLists();
    void showMessage(const QString &text);
    MediaElementList selectedMatched() const;

    QPointer<Document> m_document;
    MediaElementList m_missing;
    QList<Match> m_matches;
    QHash<const MediaElement *, RelinkMatcher::Facts> m_facts;
    QHash<FileIdentity, QString> m_heldBy;
    std::shared_ptr<ScanState> m_scanState;
    bool m_scanning = false;
    QTreeWidget *m_missingView = nullptr;
    QTreeWidget *m_matchedView = nullptr;
    QPushButton *m_locateButton = nullptr;
    QPushButton *m_moveBackButton = nullptr;
    QPushButton *m_okButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace vidarium
