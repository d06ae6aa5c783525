#pragma once

// Edits a keyword's name in place in the inspector's keyword list. Return ends
// the edit only with an acceptable name (the editor stays open otherwise);
// Escape, or leaving the editor with an unacceptable name, drops the edit.
// Threads: main thread.

#include <QPointer>
#include <QStyledItemDelegate>

#include <QLineEdit>

namespace vidarium {

class DetailKeywordsModel;

class KeywordNameDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    KeywordNameDelegate(DetailKeywordsModel &model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    QLineEdit *activeEditor() const { return m_editor; }
    // Ends the edit in progress: a valid name is kept, anything else is dropped.
    void finishEditing();
    // Drops the edit in progress.
    void abortEditing();
    // Why the text in the editor cannot be the name; empty when it can.
    QString problem(QLineEdit *editor) const;

signals:
    void refused(const QString &reason);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    DetailKeywordsModel &m_model;
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editing;
};

} // namespace vidarium
