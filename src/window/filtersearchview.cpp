#include "filtersearchview.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace vidarium {

namespace {

// A search field with a magnifier drawn in its left margin: icon themes are
// not everywhere, and an empty slot in the field looks broken.
class SearchField : public QLineEdit
{
public:
    SearchField() { setTextMargins(2, 0, 0, 0); }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLineEdit::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(
            QPen(palette().color(QPalette::PlaceholderText), 1.4, Qt::SolidLine, Qt::RoundCap));
        const double middle = height() / 2.0;
        painter.drawEllipse(QRectF(7, middle - 5, 7, 7));
        painter.drawLine(QPointF(12.8, middle + 0.8), QPointF(16, middle + 4));
    }
};

} // namespace

FilterSearchView::FilterSearchView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FilterSearchView"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 4, 5, 5);
    m_searchField = new SearchField;
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
