#pragma once

// Text cells of the items table: a name cannot be committed empty, and while a
// user field is typed into (with the setting "AutoCompleteUserFields" on) the
// rest of the first known value with that prefix is proposed and selected; a
// deletion removes the proposal without proposing again at once.
// Threads: main thread.

#include <QStyledItemDelegate>

#include <functional>

class QLineEdit;

namespace vidarium {

class ItemsTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // `completions` gives the candidates of a column for a prefix (empty: none).
    using Completions = std::function<QStringList(int column, const QString &prefix)>;
    using Commit = std::function<void(const QModelIndex &index, const QString &text)>;

    explicit ItemsTextDelegate(QObject *parent = nullptr);
    void setCompletions(Completions completions) { m_completions = std::move(completions); }
    // Replaces the plain model write (several selected rows, notifications).
    void setCommit(Commit commit) { m_commit = std::move(commit); }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // Completes the text of `editor` after a user change; public for the tests.
    static void complete(QLineEdit *editor, const QStringList &candidates);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    Completions m_completions;
    Commit m_commit;
};

} // namespace vidarium
