#include "keywordnamedelegate.h"

#include "window/detailkeywordsmodel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace vidarium {

KeywordNameDelegate::KeywordNameDelegate(DetailKeywordsModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

QWidget *KeywordNameDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    auto *editor
        = qobject_cast<QLineEdit *>(QStyledItemDelegate::createEditor(parent, option, index));
    if (!editor)
        editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("KeywordNameEditor"));
    editor->setFrame(false);
    // Without a frame the row would not look any different while it is edited.
    editor->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(highlight); padding: 0px 1px; }"));
    m_editor = editor;
    m_editing = index;
    return editor;
}

QString KeywordNameDelegate::problem(QLineEdit *editor) const
{
    const MediaUserKeywordPtr keyword = m_model.keywordAt(m_editing.row());
    if (!editor || !keyword)
        return tr("The keyword is gone.");
    return m_model.renameProblem(*keyword, editor->text());
}

void KeywordNameDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (line && problem(line).isEmpty())
        model->setData(index, line->text(), Qt::EditRole);
}

void KeywordNameDelegate::finishEditing()
{
    QLineEdit *editor = m_editor;
    if (!editor)
        return;
    if (problem(editor).isEmpty()) {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
    } else {
        emit closeEditor(editor, RevertModelCache);
    }
    m_editor = nullptr;
}

void KeywordNameDelegate::abortEditing()
{
    if (QLineEdit *editor = m_editor) {
        m_editor = nullptr;
        emit closeEditor(editor, RevertModelCache);
    }
}

bool KeywordNameDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QLineEdit *>(object);
    if (!editor)
        return QStyledItemDelegate::eventFilter(object, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab
            || key == Qt::Key_Backtab) {
            // A blank or taken name keeps the editor open, as typed.
            if (const QString why = problem(editor); !why.isEmpty()) {
                QApplication::beep();
                emit refused(why);
                return true;
            }
            finishEditing();
            return true;
        }
        if (key == Qt::Key_Escape) {
            abortEditing();
            return true;
        }
    }
    // Focus moving elsewhere in the window ends the edit as collapsing does; a
    // window losing focus keeps it.
    if (event->type() == QEvent::FocusOut && editor == m_editor
        && static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        finishEditing();
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace vidarium
