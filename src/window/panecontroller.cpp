#include "panecontroller.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vidarium {

PaneController::PaneController(const QString &nibName, Document &document, QObject *parent)
    : QObject(parent)
    , m_nibName(nibName)
    , m_document(document)
{
}

PaneController::~PaneController()
{
    // A view that never went into a split view has no other owner.
    if (m_view && !m_view->parent())
        delete m_view;
}

void PaneController::resizeSplitViewWithMetrics(const PlistDictionary &metrics)
{
    Q_UNUSED(metrics);
}

void PaneController::cleanup()
{
    m_cleanedUp = true;
}

void PaneController::setView(QWidget *view)
{
    m_view = view;
    if (view && view->objectName().isEmpty())
        view->setObjectName(m_nibName);
}

QWidget *PaneController::placeholderView(const QString &title)
{
    auto *view = new QWidget;
    auto *layout = new QVBoxLayout(view);
    auto *label = new QLabel(title, view);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(label);
    layout->addStretch(1);
    return view;
}

} // namespace vidarium
