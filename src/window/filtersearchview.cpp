#include "filtersearchview.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace vidarium {

namespace {

// A magnifier drawn here: icon themes are not everywhere, and an empty slot
// in the field looks broken.
QIcon searchIcon(const QColor &colour)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 3.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(QRectF(6, 6, 14, 14));
    painter.drawLine(QPointF(18.5, 18.5), QPointF(26, 26));
    painter.end();
    return QIcon(picture);
}

} // namespace

FilterSearchView::FilterSearchView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FilterSearchView"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 4, 5, 5);
    m_searchField = new QLineEdit;
    m_searchField->setObjectName(QStringLiteral("FilterSearchField"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setPlaceholderText(tr("Search"));
    m_searchField->addAction(
        QIcon::fromTheme(QStringLiteral("edit-find")), QLineEdit::LeadingPosition);
    QFont small = m_searchField->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_searchField->setFont(small);
    m_searchField->installEventFilter(this);
    layout->addWidget(m_searchField);
}

bool FilterSearchView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_searchField && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_escape) {
        m_escape();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FilterSearchView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(QColor(214, 214, 214));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

} // namespace vidarium
