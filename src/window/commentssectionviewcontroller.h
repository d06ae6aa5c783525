#pragma once

// The Comments section of the detail inspector: the selected element's
// comments as plain text, editable while exactly one element is selected, with
// the placeholders for no selection and differing comments. The section grows
// with the text between a floor and a ceiling and scrolls beyond it.
// Threads: main thread.

#include "window/detailsectioncontroller.h"

#include <memory>

class QPlainTextEdit;

namespace vidarium {

class ChunkedPlainText;
class MediaElement;

class CommentsSectionViewController : public DetailSectionController
{
    Q_OBJECT
public:
    static constexpr int MinimumHeight = 163;
    static constexpr int MaximumHeight = 403;

    CommentsSectionViewController(
        Document &document, const DetailSelection &selection, QObject *parent = nullptr);

    int naturalHeight() const override;
    void selectionDidChange() override;
    void cleanup() override;
    QPlainTextEdit *commentsView() const { return m_commentsView; }
    // Whether the text shown is a placeholder rather than comments.
    bool showsPlaceholder() const { return m_placeholder; }
    // The comments as shown and edited.
    QString text() const;

protected:
    void willCollapse() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void userEdited();
    void updateHeight();
    // Writes what the user typed to the element it was typed for.
    void commitEdit();
    int measuredHeight() const;

    QPlainTextEdit *m_commentsView = nullptr;
    ChunkedPlainText *m_text = nullptr;
    std::weak_ptr<MediaElement> m_element;
    int m_height = MinimumHeight;
    bool m_placeholder = true;
    bool m_settingText = false;
    bool m_edited = false;
};

} // namespace vidarium
