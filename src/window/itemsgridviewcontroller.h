#pragma once

// The thumbnail grid as one of the items pane's views: the grid itself over
// the shared items model and selection, and the zoom slider below it, bound
// to the library's thumbnail scale.
// Threads: main thread.

#include <QObject>

class QSlider;
class QWidget;

namespace vidarium {

class Document;
class ItemImages;
class ItemsGridView;
class ItemsModel;

class ItemsGridViewController : public QObject
{
    Q_OBJECT
public:
    ItemsGridViewController(
        Document &document, ItemsModel &model, ItemImages &images, QObject *parent = nullptr);

    ItemsGridView *itemsView() const { return m_view; }
    // The zoom controls, shown only while the grid is.
    QWidget *zoomControls() const { return m_zoom; }
    QSlider *zoomSlider() const { return m_slider; }
    // Takes the scale from the library's settings (clamped to the slider's range).
    void applySettings();
    // As if the slider moved there: the grid re-lays out and the setting follows.
    void setScale(double scale);

private:
    Document &m_document;
    ItemsGridView *m_view = nullptr;
    QWidget *m_zoom = nullptr;
    QSlider *m_slider = nullptr;
};

} // namespace vidarium
