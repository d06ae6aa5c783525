#include "documentwindow.h"

#include "model/applicationsettings.h"
#include "platform/notificationcenter.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTime>

namespace vidarium {

namespace {

QVariant responderValue(QWidget *widget)
{
    // The null marker is an invalid variant.
    return widget ? QVariant::fromValue<QObject *>(widget) : QVariant();
}

} // namespace

DocumentWindow::DocumentWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &DocumentWindow::focusChanged);
}

DocumentWindow::~DocumentWindow()
{
    qApp->removeEventFilter(this);
}

void DocumentWindow::setCloseRequestHandler(std::function<void()> handler)
{
    m_closeRequestHandler = std::move(handler);
}

void DocumentWindow::closeNow()
{
    m_closing = true;
    close();
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    if (m_closing || !m_closeRequestHandler) {
        event->accept();
        return;
    }
    event->ignore();
    m_closeRequestHandler();
}

bool DocumentWindow::keepsKey(const QWidget *widget, int key)
{
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
        || qobject_cast<const QPlainTextEdit *>(widget)
        || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    // A list that clears its search on Escape says so.
    if (key == Qt::Key_Escape && widget->property("keepsEscapeKey").toBool())
        return true;
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->isEditable() || (key == Qt::Key_Escape && combo->view()->isVisible());
    // An open cell editor of an item view has the focus itself and is one of
    // the text widgets above; the view then keeps no key of its own.
    return false;
}

bool DocumentWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    // Each key press is filtered once, at the widget that receives it first.
    if (widget != QApplication::focusWidget() && widget != this)
        return false;
    if (widget->window() != this)
        return false;
    return handleKey(static_cast<QKeyEvent *>(event));
}

bool DocumentWindow::handleKey(QKeyEvent *event)
{
    const int key = event->key();
    if ((key != Qt::Key_Space && key != Qt::Key_Escape) || event->isAutoRepeat()
        || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (keepsKey(QApplication::focusWidget(), key))
        return false;
    QAction *action = key == Qt::Key_Space ? m_spaceAction.data() : m_escapeAction.data();
    const QString what = key == Qt::Key_Space ? QStringLiteral("Spacebar at: %1")
                                              : QStringLiteral("Escape at: %1");
    ApplicationSettings::logConsoleMessage(what.arg(QTime::currentTime().toString(Qt::TextDate)));
    // The key goes to its command, as a menu key equivalent would; a disabled
    // command still consumes it, as the menu does.
    if (action && action->isEnabled())
        action->trigger();
    return true;
}

void DocumentWindow::focusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old);
    if (!now || now->window() != this || now == m_firstResponder)
        return;
    QWidget *previous = m_firstResponder;
    m_firstResponder = now;
    NotificationCenter::instance().post(FirstResponderDidChange, this,
        { { FirstResponderPreviousKey, responderValue(previous) },
            { FirstResponderNextKey, responderValue(now) } });
}

} // namespace vidarium
