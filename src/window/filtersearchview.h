#pragma once

// The search box above a filter list: a search field on the list's alternate
// row colour, with a grey line where it meets the list. Its clear button
// empties the field and leaves the focus in it; Escape in the field is handed
// to the list (it clears the search and returns to the list).
// Threads: main thread.

#include <QWidget>

#include <functional>

class QLineEdit;

namespace vidarium {

class FilterSearchView : public QWidget
{
    Q_OBJECT
public:
    explicit FilterSearchView(QWidget *parent = nullptr);

    QLineEdit *searchField() const { return m_searchField; }
    void setEscapeHandler(std::function<void()> handler) { m_escape = std::move(handler); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_searchField = nullptr;
    std::function<void()> m_escape;
};

} // namespace vidarium
