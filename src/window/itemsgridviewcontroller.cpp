#include "itemsgridviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "window/itemsgriddelegate.h"
#include "window/itemsgridview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QStyle>

#include <cmath>

namespace vidarium {

namespace {

QLabel *zoomGlyph(int side)
{
    // A small and a large picture at either end say what the slider does.
    auto *label = new QLabel;
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setPen(QPen(QColor(110, 110, 110), 1));
        painter.drawRect(QRectF(0.5, side * 0.2 + 0.5, side - 1, side * 0.6 - 1));
    }
    label->setPixmap(picture);
    return label;
}

} // namespace

ItemsGridViewController::ItemsGridViewController(
    Document &document, ItemsModel &model, ItemImages &images, QObject *parent)
    : QObject(parent)
    , m_document(document)
{
    m_view = new ItemsGridView(model, images);
    m_view->setLibraryIdentifier(document.identifier());

    m_zoom = new QWidget;
    m_zoom->setObjectName(QStringLiteral("ItemsZoomControls"));
    auto *layout = new QHBoxLayout(m_zoom);
    layout->setContentsMargins(4, 0, 8, 0);
    layout->setSpacing(4);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setObjectName(QStringLiteral("ItemsZoomSlider"));
    m_slider->setRange(int(ItemsGridDelegate::MinimumScale), int(ItemsGridDelegate::MaximumScale));
    m_slider->setFixedWidth(110);
    m_slider->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(zoomGlyph(9));
    layout->addWidget(m_slider);
    layout->addWidget(zoomGlyph(14));
    applySettings();
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) { setScale(value); });
}

void ItemsGridViewController::applySettings()
{
    const double scale
        = ItemsGridDelegate::clampedScale(m_document.defaults().itemsViewThumbnailScale());
    m_view->setScale(scale);
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(int(std::lround(scale)));
}

void ItemsGridViewController::setScale(double scale)
{
    scale = ItemsGridDelegate::clampedScale(scale);
    if (scale == m_view->scale() && scale == m_document.defaults().itemsViewThumbnailScale())
        return;
    m_view->setScale(scale);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(int(std::lround(scale)));
    }
    if (m_document.defaults().itemsViewThumbnailScale() != scale) {
        m_document.defaults().setItemsViewThumbnailScale(scale);
        m_document.updateChangeCount(Document::Change::Done);
    }
}

} // namespace vidarium
