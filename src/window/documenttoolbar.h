#pragma once

// The library window's toolbar: Import, Sort (a menu of sort orders), Rate (a
// menu of ratings), the view style, Play and the search field. Its items are
// window commands like the menu items and are enabled by the same rules.
// Threads: main thread.

#include <QToolBar>

class QActionGroup;
class QLineEdit;
class QMenu;

namespace vidarium {

class DocumentWindowController;

class DocumentToolbar : public QToolBar
{
    Q_OBJECT
public:
    explicit DocumentToolbar(DocumentWindowController &controller, QWidget *parent = nullptr);

    // Filled and updated by the application's menu builders when they open.
    QMenu *sortMenu() const { return m_sortMenu; }
    QMenu *rateMenu() const { return m_rateMenu; }
    QAction *action(const QString &name) const;
    // Checks the view style button of `style`.
    void setViewStyle(int style);

private:
    QAction *addCommand(const QString &name, const QString &title, const QString &action,
        const QVariant &argument = {});
    QAction *addMenuCommand(
        const QString &name, const QString &title, QMenu *menu, const QString &validatedAs);

    DocumentWindowController &m_controller;
    QMenu *m_sortMenu = nullptr;
    QMenu *m_rateMenu = nullptr;
    QActionGroup *m_viewStyles = nullptr;
};

} // namespace vidarium
