#pragma once

// The sheet that edits the keywords of several elements at once: the field
// holds the keywords every one of them carries, names typed there are offered
// the rest of a library keyword that begins the same way, and a double click in
// the list of all keywords adds the selected ones. OK gives every element the
// keywords of the field and takes away the shared ones the user removed;
// keywords only some elements carry stay as they are.
// Threads: main thread.

#include "model/mediaelement.h"
#include "window/keywordtokens.h"

#include <QDialog>
#include <QPointer>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;

namespace vidarium {

class Document;

class EditKeywordsSheet : public QDialog
{
    Q_OBJECT
public:
    // Takes `elements` now; later changes of the window's selection do not matter.
    EditKeywordsSheet(Document &document, const MediaElementList &elements, QWidget *parent);
    ~EditKeywordsSheet() override;

    QLineEdit *tokenField() const { return m_tokenField; }
    QListWidget *keywordList() const { return m_list; }
    // The names in the field now.
    QStringList tokens() const;
    // The shared keywords' names as shown at opening.
    const KeywordTokens::Shared &shared() const { return m_shared; }

    // What a double click in the list does: adds the selected rows' names.
    void addSelectedKeywords();
    // Completes the last name of the field after the user typed; public for tests.
    void completeTyping();
    void okButtonAction();
    void cancelButtonAction();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    void buildLayout();
    void fillList();

    QPointer<Document> m_document;
    MediaElementList m_elements;
    KeywordTokens::Shared m_shared;
    // Every keyword name of the library, in the list's order (for completion).
    QStringList m_names;
    QLineEdit *m_tokenField = nullptr;
    QListWidget *m_list = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    bool m_userDeleted = false;
};

} // namespace vidarium
