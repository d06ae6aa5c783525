#include "itemstextdelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace vidarium {

namespace {
const char *const DeletedProperty = "vidariumUserDeleted";
}

ItemsTextDelegate::ItemsTextDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QWidget *ItemsTextDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || !m_completions)
        return editor;
    line->installEventFilter(const_cast<ItemsTextDelegate *>(this));
    const int column = index.column();
    const Completions completions = m_completions;
    connect(line, &QLineEdit::textEdited, line, [line, column, completions](const QString &text) {
        // A deletion only clears its mark: proposing again would undo it.
        if (line->property(DeletedProperty).toBool()) {
            line->setProperty(DeletedProperty, false);
            return;
        }
        if (!text.isEmpty())
            complete(line, completions(column, text));
    });
    return editor;
}

void ItemsTextDelegate::complete(QLineEdit *editor, const QStringList &candidates)
{
    const QString typed = editor->text();
    for (const QString &candidate : candidates) {
        if (candidate.size() > typed.size() && candidate.startsWith(typed)) {
            editor->setText(candidate);
            editor->setSelection(int(typed.size()), int(candidate.size() - typed.size()));
            return;
        }
    }
}

bool ItemsTextDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
            object->setProperty(DeletedProperty, true);
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void ItemsTextDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || !m_commit) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    m_commit(index, line->text());
}

} // namespace vidarium
