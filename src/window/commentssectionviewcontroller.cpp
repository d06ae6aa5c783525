#include "commentssectionviewcontroller.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/applicationsettings.h"
#include "model/medialibrary.h"
#include "window/chunkedplaintext.h"
#include "window/detailselection.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>

namespace vidarium {

namespace {

constexpr int VerticalInset = 2;
constexpr int LineSpacing = 3;
// Beyond this many characters the text is taller than the section can be,
// whatever the width: measuring it would only cost time.
constexpr qsizetype MeasureLimit = 8000;

} // namespace

CommentsSectionViewController::CommentsSectionViewController(
    Document &document, const DetailSelection &selection, QObject *parent)
    : DetailSectionController(
        QStringLiteral("Comments"), tr("Comments"), document, selection, parent)
{
    m_commentsView = new QPlainTextEdit;
    m_commentsView->setObjectName(QStringLiteral("CommentsView"));
    m_commentsView->setFrameShape(QFrame::NoFrame);
    m_commentsView->setTabChangesFocus(true);
    m_commentsView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_commentsView->document()->setDocumentMargin(VerticalInset);
    QFont small = m_commentsView->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_commentsView->setFont(small);
    m_commentsView->installEventFilter(this);
    m_commentsView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text = new ChunkedPlainText(m_commentsView);
    connect(m_text, &ChunkedPlainText::edited, this, [this] {
        if (!m_settingText)
            userEdited();
    });
    setView(m_commentsView);
    selectionDidChange();
}

int CommentsSectionViewController::naturalHeight() const
{
    return m_height;
}

QString CommentsSectionViewController::text() const
{
    return m_text->text();
}

int CommentsSectionViewController::measuredHeight() const
{
    const QString &text = m_text->text();
    if (text.size() > MeasureLimit)
        return MaximumHeight;
    const int width = std::max(40, m_commentsView->viewport()->width() - 8);
    const QFontMetrics metrics(m_commentsView->font());
    const QRect bounds = metrics.boundingRect(
        QRect(0, 0, width, 100000), Qt::TextWordWrap, text + QLatin1Char(' '));
    const int lines = std::max(1, bounds.height() / std::max(1, metrics.lineSpacing()));
    const int height = bounds.height() + lines * LineSpacing + 2 * VerticalInset + 4;
    return std::clamp(height, MinimumHeight, MaximumHeight);
}

void CommentsSectionViewController::updateHeight()
{
    const int height = measuredHeight();
    if (height == m_height)
        return;
    m_height = height;
    postContentSizeChanged();
}

void CommentsSectionViewController::selectionDidChange()
{
    if (isCleanedUp())
        return;
    const DetailSelection::Value value = selection().valueForKey(QStringLiteral("userComments"));
    const MediaElementPtr single = selection().single();
    // A change the user just typed comes back as a change of the element: the
    // text is the same, and setting it again would move the cursor.
    const bool same = single && single == m_element.lock() && !m_placeholder
        && value.state == DetailSelection::State::Common
        && value.value.toString() == m_text->text();
    if (!same) {
        commitEdit();
        ApplicationSettings::logConsoleMessage(QStringLiteral("Comments changed"));
        m_element = single;
        m_placeholder = value.state != DetailSelection::State::Common;
        const QString text
            = m_placeholder ? DetailSelection::placeholder(value.state) : value.value.toString();
        m_settingText = true;
        m_text->setText(text);
        m_settingText = false;
        QPalette palette = m_commentsView->palette();
        palette.setColor(QPalette::Text,
            QApplication::palette().color(
                m_placeholder ? QPalette::PlaceholderText : QPalette::Text));
        m_commentsView->setPalette(palette);
        QTimer::singleShot(0, m_commentsView, [view = m_commentsView] {
            view->verticalScrollBar()->setValue(0);
            view->moveCursor(QTextCursor::Start);
        });
    }
    // Differing comments are never edited; a single element's always are.
    m_commentsView->setReadOnly(!single);
    updateHeight();
}

void CommentsSectionViewController::userEdited()
{
    const MediaElementPtr element = m_element.lock();
    if (!element || m_placeholder)
        return;
    element->setUserComments(m_text->text());
    m_edited = true;
    updateHeight();
    document().updateChangeCount(Document::Change::Done);
}

void CommentsSectionViewController::commitEdit()
{
    if (!std::exchange(m_edited, false))
        return;
    // Lists that filter or sort by comments hear of it once, when typing ends.
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementPropertiesKey,
                QStringList { QStringLiteral("userComments") } } });
}

void CommentsSectionViewController::willCollapse()
{
    commitEdit();
    if (m_commentsView->hasFocus())
        m_commentsView->clearFocus();
}

bool CommentsSectionViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_commentsView && event->type() == QEvent::FocusOut)
        commitEdit();
    // The same text wraps into more or fewer lines at another width.
    if (watched == m_commentsView && event->type() == QEvent::Resize)
        updateHeight();
    return DetailSectionController::eventFilter(watched, event);
}

void CommentsSectionViewController::cleanup()
{
    if (!isCleanedUp())
        commitEdit();
    DetailSectionController::cleanup();
}

} // namespace vidarium
