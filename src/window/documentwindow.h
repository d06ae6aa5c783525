#pragma once

// The library window itself. Space and Escape (without modifiers, not
// auto-repeated) trigger the commands that carry them wherever the focus is,
// except in a text field or an open editor, which keep their keys. Every
// change of the focused widget inside the window is announced on the
// notification centre. Closing asks the owner first.
// Threads: main thread.

#include <QAction>
#include <QMainWindow>
#include <QPointer>

#include <functional>

namespace vidarium {

class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    static inline const QString FirstResponderDidChange
        = QStringLiteral("com.tallowmere.vidarium.WindowFirstResponderDidChangeNotification");
    static inline const QString FirstResponderPreviousKey
        = QStringLiteral("FirstResponderPreviousKey");
    static inline const QString FirstResponderNextKey = QStringLiteral("FirstResponderNextKey");

    explicit DocumentWindow(QWidget *parent = nullptr);
    ~DocumentWindow() override;

    // The commands Space and Escape trigger (their menu items show the key).
    void setSpaceAction(QAction *action) { m_spaceAction = action; }
    void setEscapeAction(QAction *action) { m_escapeAction = action; }

    // Asked when the user closes the window; the window stays until closeNow().
    void setCloseRequestHandler(std::function<void()> handler);
    // Closes without asking (the owner has run its close check).
    void closeNow();

    QWidget *firstResponder() const { return m_firstResponder; }

    // Whether a key typed in `widget` belongs to it (text entry, an open editor).
    static bool keepsKey(const QWidget *widget, int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    bool handleKey(QKeyEvent *event);

    QPointer<QAction> m_spaceAction;
    QPointer<QAction> m_escapeAction;
    QPointer<QWidget> m_firstResponder;
    std::function<void()> m_closeRequestHandler;
    bool m_closing = false;
};

} // namespace vidarium
