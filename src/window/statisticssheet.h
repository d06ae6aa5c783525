#pragma once

// The sheet with the totals and daily averages of one range of elements: the
// whole library, the selected collection, the listed items or the selected
// items. Only the range shown is asked for, and every change of range
// recomputes all figures, so an empty range shows "None" and zero averages.
// Threads: main thread.

#include "document/documentexport.h"
#include "window/elementstatistics.h"

#include <QDialog>
#include <QHash>

#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;

namespace vidarium {

class MediaLibrary;

class StatisticsSheet : public QDialog
{
    Q_OBJECT
public:
    // The elements of a range (DocumentExport's ranges); none for other values.
    using ElementsForRange = std::function<MediaElementList(int range)>;

    StatisticsSheet(ElementsForRange elements, QWidget *parent);
    // The ranges of a library and a window's state taken beforehand.
    static ElementsForRange rangesOf(MediaLibrary &library, DocumentExport::WindowState window);
    ~StatisticsSheet() override;

    int range() const { return m_range; }
    // DocumentExport's ranges, 1 to 4; any other value means no elements.
    void setRange(int range);
    const ElementStatistics &statistics() const { return m_statistics; }
    QComboBox *rangeControl() const { return m_rangeControl; }
    // The shown text of a figure: "count", "totalSize", "totalDuration",
    // "dateRange", "filesPerDay", "sizePerDay", "durationPerDay".
    QString figureText(const QString &name) const;

    void okButtonAction();

private:
    QLabel *addFigure(QFormLayout *form, const QString &name, const QString &label);
    void showFigures();

    ElementsForRange m_elements;
    int m_range = DocumentExport::AllElements;
    ElementStatistics m_statistics;
    QComboBox *m_rangeControl = nullptr;
    QHash<QString, QLabel *> m_figures;
};

} // namespace vidarium
