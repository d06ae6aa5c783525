#pragma once

// One collapsible section of an inspector: a title bar with the section's name
// and a Show/Hide button that appears while the pointer is over the bar, and
// the section's content below it. What the content needs (its height, being
// told before it is shown or hidden) comes from the section's delegate; the
// stacking view it sits in does the layout.
// Threads: main thread.

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace vidarium {

class StackingView;

// What a section's content provides to the section around it.
class StackingSectionDelegate
{
public:
    virtual ~StackingSectionDelegate() = default;
    // The height the content wants, in pixels.
    virtual int naturalHeight() const = 0;
    virtual void sectionViewWillExpand() = 0;
    virtual void sectionViewWillCollapse() = 0;
};

class StackingSectionView : public QWidget
{
    Q_OBJECT
public:
    enum State { Collapsed = 0, Expanded = 1 };
    static constexpr int TitleHeight = 19;

    StackingSectionView(QWidget *contentView, StackingSectionDelegate *delegate,
        const QString &title, State initialState = Expanded, QWidget *parent = nullptr);

    QWidget *contentView() const { return m_contentView; }
    StackingSectionDelegate *delegate() const { return m_delegate; }
    StackingView *container() const { return m_container; }
    void setContainer(StackingView *container, int index);
    int index() const { return m_index; }
    State state() const { return m_state; }
    // Sets the state only; the container lays the sections out.
    void setState(State state);
    QString title() const;
    // The section's height in its state: the title bar, plus the content when expanded.
    int sectionHeight() const;
    QRect titleArea() const;
    QString stringForState() const;
    QPushButton *showHideButton() const { return m_button; }
    // Places the content below the title bar at its natural height.
    void layoutContent();

public slots:
    void showHideAction();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateButton();
    void setHovering(bool hovering);

    QPointer<QWidget> m_contentView;
    StackingSectionDelegate *m_delegate = nullptr;
    StackingView *m_container = nullptr; // the stacking view, which owns this section
    int m_index = -1;
    State m_state = Expanded;
    QLabel *m_label = nullptr;
    QPushButton *m_button = nullptr;
    bool m_hovering = false;
};

} // namespace vidarium
