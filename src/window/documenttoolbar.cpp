#include "documenttoolbar.h"

#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/toolbaricons.h"

#include <QActionGroup>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace vidarium {

DocumentToolbar::DocumentToolbar(DocumentWindowController &controller, QWidget *parent)
    : QToolBar(tr("Toolbar"), parent)
    , m_controller(controller)
{
    setObjectName(QStringLiteral("DocumentToolbar"));
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(24, 24));
    // The chosen view style must read as chosen at a glance, on any style.
    const QColor accent = palette().color(QPalette::Highlight);
    setStyleSheet(QStringLiteral("QToolButton:checked { background: rgba(%1, %2, %3, 0.2);"
                                 " border: 1px solid rgba(%1, %2, %3, 0.7); border-radius: 4px; }")
                      .arg(accent.red())
                      .arg(accent.green())
                      .arg(accent.blue()));

    addCommand(QStringLiteral("Import"), tr("Import"), QStringLiteral("importFiles:"))
        ->setIcon(ToolbarIcons::icon(QStringLiteral("import")));
    m_sortMenu = new QMenu(tr("Sort"), this);
    m_sortMenu->setObjectName(QStringLiteral("SortMenu"));
    addMenuCommand(QStringLiteral("Sort"), tr("Sort"), m_sortMenu, QStringLiteral("arrangeItems:"))
        ->setIcon(ToolbarIcons::icon(QStringLiteral("sort")));
    m_rateMenu = new QMenu(tr("Rate"), this);
    m_rateMenu->setObjectName(QStringLiteral("RateMenu"));
    addMenuCommand(QStringLiteral("Rate"), tr("Rate"), m_rateMenu, QStringLiteral("rateTarget:"))
        ->setIcon(ToolbarIcons::icon(QStringLiteral("rate")));
    addSeparator();

    m_viewStyles = new QActionGroup(this);
    m_viewStyles->setExclusive(true);
    const std::tuple<QString, int, QString> styles[] = {
        { tr("Table"), ItemsViewController::TableStyle, QStringLiteral("table") },
        { tr("List"), ItemsViewController::ListStyle, QStringLiteral("list") },
        { tr("Grid"), ItemsViewController::GridStyle, QStringLiteral("grid") },
    };
    for (const auto &[title, style, picture] : styles) {
        QAction *button = addCommand(QStringLiteral("ViewStyle%1").arg(style), title,
            QStringLiteral("selectItemsView:"), style);
        button->setCheckable(true);
        button->setIcon(ToolbarIcons::icon(picture));
        m_viewStyles->addAction(button);
    }
    addSeparator();
    addCommand(QStringLiteral("Play"), tr("Play"), QStringLiteral("presentMovie:"))
        ->setIcon(ToolbarIcons::icon(QStringLiteral("play")));

    auto *spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);
    if (QLineEdit *search = controller.itemsViewController()->searchField()) {
        search->setMaximumWidth(240);
        search->setMinimumWidth(160);
        addWidget(search);
    }
}

QAction *DocumentToolbar::addCommand(
    const QString &name, const QString &title, const QString &action, const QVariant &argument)
{
    QAction *item = addAction(title);
    item->setObjectName(name);
    item->setProperty("action", action);
    item->setData(argument);
    connect(item, &QAction::triggered, this,
        [this, action, argument] { m_controller.perform(action, argument); });
    m_controller.registerAction(item);
    return item;
}

QAction *DocumentToolbar::addMenuCommand(
    const QString &name, const QString &title, QMenu *menu, const QString &validatedAs)
{
    QAction *item = menu->menuAction();
    item->setText(title);
    item->setObjectName(name);
    // Enabled as the command its items carry; the items themselves act.
    item->setProperty("action", validatedAs);
    m_controller.registerAction(item);
    addAction(item);
    if (auto *button = qobject_cast<QToolButton *>(widgetForAction(item)))
        button->setPopupMode(QToolButton::InstantPopup);
    return item;
}

QAction *DocumentToolbar::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

void DocumentToolbar::setViewStyle(int style)
{
    for (QAction *button : m_viewStyles->actions())
        button->setChecked(button->data().toInt() == style);
}

} // namespace vidarium
