#include "itemscomboeditor.h"

#include "window/itemspainting.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QStyle>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QToolButton>

namespace vidarium {

ItemsComboEditor::ItemsComboEditor(
    const QString &name, const QString &comments, Handlers handlers, QWidget *parent)
    : QWidget(parent)
    , m_handlers(std::move(handlers))
    , m_committedName(name)
    , m_committedComments(comments)
{
    setObjectName(QStringLiteral("ItemsComboEditor"));
    setAutoFillBackground(false);
    m_name = new QLineEdit(name, this);
    m_name->setObjectName(QStringLiteral("ComboNameField"));
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_name->setFrame(false);
    connect(m_name, &QLineEdit::editingFinished, this, &ItemsComboEditor::commit);

    m_comments = new QPlainTextEdit(comments, this);
    m_comments->setObjectName(QStringLiteral("ComboCommentsField"));
    QFont small = m_comments->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_comments->setFont(small);
    m_comments->setFrameShape(QFrame::NoFrame);
    m_comments->document()->setDocumentMargin(2);
    // Line spacing 3 as the painted comments have it.
    QTextCursor all(m_comments->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spaced;
    spaced.setLineHeight(3, QTextBlockFormat::LineDistanceHeight);
    all.mergeBlockFormat(spaced);
    m_comments->installEventFilter(this);

    m_reveal = new QToolButton(this);
    m_reveal->setObjectName(QStringLiteral("ComboRevealButton"));
    m_reveal->setAutoRaise(true);
    // The glyph the painted rows show, so the row looks the same with its controls open.
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    {
        QPainter painter(&glyph);
        ItemsPainting::drawRevealGlyph(&painter, glyph.rect(), palette().color(QPalette::Text));
    }
    m_reveal->setIcon(QIcon(glyph));
    m_reveal->setToolTip(tr("Show in File Manager"));
    connect(m_reveal, &QToolButton::clicked, this, [this] {
        if (m_handlers.reveal)
            m_handlers.reveal();
    });
}

void ItemsComboEditor::place(const QRect &name, const QRect &comments, const QRect &reveal)
{
    m_name->setGeometry(name.adjusted(-2, -1, 0, 1));
    m_comments->setGeometry(comments);
    m_reveal->setGeometry(reveal.adjusted(-2, -2, 2, 2));
    QRegion mask;
    for (const QWidget *control : { static_cast<QWidget *>(m_name),
             static_cast<QWidget *>(m_comments), static_cast<QWidget *>(m_reveal) })
        mask += control->geometry();
    setMask(mask);
}

void ItemsComboEditor::commit()
{
    if (m_name->text() != m_committedName) {
        m_committedName = m_name->text();
        if (m_handlers.rename)
            m_handlers.rename(m_committedName);
    }
    const QString comments = m_comments->toPlainText();
    if (comments != m_committedComments) {
        m_committedComments = comments;
        if (m_handlers.comment)
            m_handlers.comment(comments);
    }
}

bool ItemsComboEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_comments && event->type() == QEvent::FocusOut)
        commit();
    return QWidget::eventFilter(watched, event);
}

} // namespace vidarium
