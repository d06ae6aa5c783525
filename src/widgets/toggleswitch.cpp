#include "toggleswitch.h"

#include "widgets/splitview.h"

#include <QPainter>
#include <QVariantAnimation>

namespace vidarium {

namespace {

constexpr int TrackWidth = 26;
constexpr int TrackHeight = 14;
constexpr int TextGap = 5;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(120);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_knob = value.toDouble();
        update();
    });
}

void ToggleSwitch::setStateTexts(const QString &offText, const QString &onText)
{
    m_offText = offText;
    m_onText = onText;
    updateGeometry();
    update();
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = TrackWidth;
    if (!m_offText.isEmpty())
        width += metrics.horizontalAdvance(m_offText) + TextGap;
    if (!m_onText.isEmpty())
        width += metrics.horizontalAdvance(m_onText) + TextGap;
    return { width + 2, std::max(TrackHeight + 2, metrics.height()) };
}

QRect ToggleSwitch::trackRect() const
{
    const QFontMetrics metrics(font());
    const int left = m_offText.isEmpty() ? 1 : metrics.horizontalAdvance(m_offText) + TextGap + 1;
    return { left, (height() - TrackHeight) / 2, TrackWidth, TrackHeight };
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::checkStateSet()
{
    // Set from code: no slide, the knob is simply where the state says.
    m_animation->stop();
    m_knob = isChecked() ? 1 : 0;
    update();
}

void ToggleSwitch::nextCheckState()
{
    setChecked(!isChecked());
    animateKnob();
}

void ToggleSwitch::animateKnob()
{
    const double target = isChecked() ? 1 : 0;
    if (!SplitView::animationsEnabled() || !isVisible()) {
        m_knob = target;
        update();
        return;
    }
    m_animation->stop();
    m_animation->setStartValue(1 - target);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QRect track = trackRect();
    const QColor off = colours.color(QPalette::Mid);
    const QColor on = colours.color(QPalette::Highlight);
    QColor fill;
    fill.setRgbF(off.redF() + (on.redF() - off.redF()) * m_knob,
        off.greenF() + (on.greenF() - off.greenF()) * m_knob,
        off.blueF() + (on.blueF() - off.blueF()) * m_knob);
    if (!isEnabled())
        fill = colours.color(QPalette::Disabled, QPalette::Mid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const double radius = track.height() / 2.0;
    painter.drawRoundedRect(QRectF(track), radius, radius);

    const double knobSize = track.height() - 4;
    const double travel = track.width() - 4 - knobSize;
    const QRectF knob(track.left() + 2 + travel * m_knob, track.top() + 2, knobSize, knobSize);
    painter.setBrush(colours.color(QPalette::Base));
    painter.setPen(QPen(colours.color(QPalette::Dark), 0.5));
    painter.drawEllipse(knob);

    // The text of the current state is drawn in full, the other one faded.
    painter.setFont(font());
    const QColor text
        = colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    QColor faded = text;
    faded.setAlphaF(0.45);
    if (!m_offText.isEmpty()) {
        painter.setPen(isChecked() ? faded : text);
        painter.drawText(QRect(0, 0, track.left() - TextGap + 1, height()),
            Qt::AlignRight | Qt::AlignVCenter, m_offText);
    }
    if (!m_onText.isEmpty()) {
        painter.setPen(isChecked() ? text : faded);
        painter.drawText(QRect(track.right() + TextGap, 0, width(), height()),
            Qt::AlignLeft | Qt::AlignVCenter, m_onText);
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colours.color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(
            QRectF(track).adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}

} // namespace vidarium
