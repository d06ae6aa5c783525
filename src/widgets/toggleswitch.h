#pragma once

// A small on/off switch: a rounded track with a sliding knob, optionally with
// a text on either side naming the two states ("Any" off, "All" on). A click
// anywhere on it flips it; Space does too when it has the focus. It is a
// checkable button, so `toggled` reports every change.
// Threads: main thread.

#include <QAbstractButton>

class QVariantAnimation;

namespace vidarium {

class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    // The texts beside the track: left names the off state, right the on state.
    void setStateTexts(const QString &offText, const QString &onText);
    QString offText() const { return m_offText; }
    QString onText() const { return m_onText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    QRect trackRect() const;
    void animateKnob();

    QString m_offText;
    QString m_onText;
    // 0 with the knob at the off end, 1 at the on end.
    double m_knob = 0;
    QVariantAnimation *m_animation = nullptr;
};

} // namespace vidarium
