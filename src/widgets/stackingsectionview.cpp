#include "stackingsectionview.h"

#include "widgets/stackingview.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace vidarium {

namespace {

QFont titleFont()
{
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(11);
    return font;
}

} // namespace

StackingSectionView::StackingSectionView(QWidget *contentView, StackingSectionDelegate *delegate,
    const QString &title, State initialState, QWidget *parent)
    : QWidget(parent)
    , m_contentView(contentView)
    , m_delegate(delegate)
    , m_state(initialState)
{
    setObjectName(QStringLiteral("InspectorSection_") + title);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    m_label = new QLabel(title, this);
    m_label->setObjectName(QStringLiteral("InspectorSectionTitle"));
    m_label->setFont(titleFont());
    m_label->setGeometry(4, 3, 150, 15);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("InspectorShowHideButton"));
    m_button->setFlat(true);
    m_button->setCheckable(true);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setFont(titleFont());
    m_button->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; padding: 0px; color: rgb(135, 153, 189); background: none; }"
        "QPushButton:pressed { color: rgb(90, 105, 140); }"));
    const QFontMetrics metrics(titleFont());
    const int width
        = std::max(metrics.horizontalAdvance(tr("Hide")), metrics.horizontalAdvance(tr("Show")))
        + 2;
    m_button->setFixedSize(width, 15);
    m_button->hide();
    connect(m_button, &QPushButton::clicked, this, &StackingSectionView::showHideAction);

    if (m_contentView) {
        m_contentView->setParent(this);
        // The pointer going down into the content leaves the title bar.
        m_contentView->installEventFilter(this);
        m_contentView->setVisible(m_state == Expanded);
    }
    updateButton();
}

void StackingSectionView::setContainer(StackingView *container, int index)
{
    m_container = container;
    m_index = index;
}

void StackingSectionView::setState(State state)
{
    m_state = state;
    // A collapsed section's content stays out of the focus chain.
    if (m_contentView && state == Expanded)
        m_contentView->show();
    updateButton();
    update();
}

QString StackingSectionView::title() const
{
    return m_label->text();
}

int StackingSectionView::sectionHeight() const
{
    if (m_state == Collapsed || !m_delegate)
        return TitleHeight;
    return TitleHeight + std::max(0, m_delegate->naturalHeight());
}

QRect StackingSectionView::titleArea() const
{
    return QRect(0, 0, width(), TitleHeight);
}

QString StackingSectionView::stringForState() const
{
    return m_state == Expanded ? tr("Hide") : tr("Show");
}

void StackingSectionView::layoutContent()
{
    if (!m_contentView)
        return;
    const int height = m_delegate ? std::max(0, m_delegate->naturalHeight()) : 0;
    m_contentView->setGeometry(0, TitleHeight, width(), height);
}

void StackingSectionView::showHideAction()
{
    if (m_container)
        m_container->toggleStateForSectionView(this);
    else
        setState(m_state == Expanded ? Collapsed : Expanded);
    updateButton();
}

void StackingSectionView::updateButton()
{
    m_button->setText(stringForState());
    m_button->setChecked(m_state == Expanded);
    m_button->move(width() - 4 - m_button->width(), (TitleHeight - m_button->height()) / 2);
}

void StackingSectionView::setHovering(bool hovering)
{
    // Only the window the user works in reacts to the pointer.
    hovering = hovering && isActiveWindow();
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    m_button->setVisible(hovering);
}

void StackingSectionView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect bar = titleArea();
    painter.fillRect(bar, palette().color(QPalette::AlternateBase));
    painter.setPen(QPen(QColor::fromRgbF(0.7f, 0.7f, 0.7f), 1));
    painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
    painter.drawLine(QPointF(0, TitleHeight - 0.5), QPointF(width(), TitleHeight - 0.5));
    if (m_container && m_index == m_container->sectionCount() - 1)
        painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}

void StackingSectionView::resizeEvent(QResizeEvent *)
{
    updateButton();
    if (m_contentView)
        m_contentView->resize(width(), m_contentView->height());
    if (m_state == Collapsed && m_contentView && height() <= TitleHeight)
        m_contentView->hide();
}

void StackingSectionView::mouseMoveEvent(QMouseEvent *event)
{
    setHovering(titleArea().contains(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void StackingSectionView::leaveEvent(QEvent *event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

bool StackingSectionView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_contentView && event->type() == QEvent::Enter)
        setHovering(false);
    return QWidget::eventFilter(watched, event);
}

} // namespace vidarium
