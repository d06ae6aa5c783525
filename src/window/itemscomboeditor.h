#pragma once

// The controls of the combined list's current row, laid over the painted row:
// the name and the comments to edit, and the button that shows the file in
// the file manager. Only the controls take the mouse; clicks elsewhere reach
// the list beneath.
// Threads: main thread.

#include <QWidget>

#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace vidarium {

class ItemsComboEditor : public QWidget
{
    Q_OBJECT
public:
    struct Handlers
    {
        std::function<void(const QString &name)> rename;
        std::function<void(const QString &comments)> comment;
        std::function<void()> reveal;
    };

    ItemsComboEditor(
        const QString &name, const QString &comments, Handlers handlers, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_name; }
    QPlainTextEdit *commentsField() const { return m_comments; }
    QToolButton *revealButton() const { return m_reveal; }
    // Places the controls on the row's parts (row coordinates).
    void place(const QRect &name, const QRect &comments, const QRect &reveal);
    // Hands over what was typed and not yet committed.
    void commit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handlers m_handlers;
    QLineEdit *m_name = nullptr;
    QPlainTextEdit *m_comments = nullptr;
    QToolButton *m_reveal = nullptr;
    QString m_committedName;
    QString m_committedComments;
};

} // namespace vidarium
