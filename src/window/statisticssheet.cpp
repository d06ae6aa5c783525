#include "window/statisticssheet.h"

#include "model/medialibrary.h"
#include "model/valueformatters.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QVBoxLayout>

namespace vidarium {

StatisticsSheet::StatisticsSheet(ElementsForRange elements, QWidget *parent)
    : QDialog(parent)
    , m_elements(std::move(elements))
{
    setObjectName(QStringLiteral("StatisticsSheet"));
    setWindowTitle(tr("Statistics"));

    m_rangeControl = new QComboBox;
    m_rangeControl->setObjectName(QStringLiteral("StatisticsRange"));
    m_rangeControl->addItem(tr("All videos in the library"), int(DocumentExport::AllElements));
    m_rangeControl->addItem(
        tr("Videos in the selected collection"), int(DocumentExport::SelectedCollection));
    m_rangeControl->addItem(tr("Videos listed"), int(DocumentExport::ArrangedItems));
    m_rangeControl->addItem(tr("Selected videos"), int(DocumentExport::SelectedItems));
    connect(m_rangeControl, &QComboBox::currentIndexChanged, this,
        [this](int index) { setRange(m_rangeControl->itemData(index).toInt()); });

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(14);
    form->setVerticalSpacing(8);
    form->addRow(tr("Show:"), m_rangeControl);
    addFigure(form, QStringLiteral("count"), tr("Videos:"));
    auto *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    form->addRow(line);
    addFigure(form, QStringLiteral("totalSize"), tr("Total size:"));
    addFigure(form, QStringLiteral("totalDuration"), tr("Total duration:"));
    addFigure(form, QStringLiteral("dateRange"), tr("Imported:"));
    auto *averages = new QFrame;
    averages->setFrameShape(QFrame::HLine);
    averages->setFrameShadow(QFrame::Sunken);
    form->addRow(averages);
    addFigure(form, QStringLiteral("filesPerDay"), tr("Videos per day:"));
    addFigure(form, QStringLiteral("sizePerDay"), tr("Size per day:"));
    addFigure(form, QStringLiteral("durationPerDay"), tr("Duration per day:"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &StatisticsSheet::okButtonAction);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 12);
    layout->setSpacing(14);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setRange(DocumentExport::AllElements);
    setMinimumWidth(420);
}

StatisticsSheet::~StatisticsSheet() = default;

StatisticsSheet::ElementsForRange StatisticsSheet::rangesOf(
    MediaLibrary &library, DocumentExport::WindowState window)
{
    // Order plays no part in sums and spans.
    window.sortDescriptors.clear();
    QPointer<MediaLibrary> guarded(&library);
    return [guarded, window = std::move(window)](int range) -> MediaElementList {
        if (!guarded)
            return {};
        DocumentExport exporter(*guarded, window);
        exporter.setExportRange(range);
        return exporter.elements();
    };
}

QLabel *StatisticsSheet::addFigure(QFormLayout *form, const QString &name, const QString &label)
{
    auto *figure = new QLabel;
    figure->setObjectName(name);
    figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(label, figure);
    m_figures.insert(name, figure);
    return figure;
}

void StatisticsSheet::setRange(int range)
{
    m_range = range;
    const int index = m_rangeControl->findData(range);
    if (index != m_rangeControl->currentIndex() && index >= 0) {
        const QSignalBlocker quiet(m_rangeControl);
        m_rangeControl->setCurrentIndex(index);
    }
    m_statistics = ElementStatistics::of(m_elements ? m_elements(range) : MediaElementList());
    showFigures();
}

void StatisticsSheet::showFigures()
{
    const QLocale locale;
    // Each figure has its own formatter, as each field had.
    const ByteFormatter totalBytes(locale);
    const ByteFormatter dailyBytes(locale);
    const DurationFormatter totalTime;
    const DurationFormatter dailyTime;
    const ElementStatistics &s = m_statistics;
    m_figures.value(QStringLiteral("count"))->setText(locale.toString(s.count));
    m_figures.value(QStringLiteral("totalSize"))
        ->setText(totalBytes.stringForObjectValue(PlistValue(s.totalSize)));
    m_figures.value(QStringLiteral("totalDuration"))
        ->setText(totalTime.stringForObjectValue(PlistValue(s.totalDuration)));
    m_figures.value(QStringLiteral("dateRange"))->setText(s.dateRangeText(locale));
    m_figures.value(QStringLiteral("filesPerDay"))
        ->setText(locale.toString(s.filesPerDay, 'f', s.filesPerDay < 10 ? 2 : 1));
    m_figures.value(QStringLiteral("sizePerDay"))
        ->setText(dailyBytes.stringForObjectValue(PlistValue(s.sizePerDay)));
    m_figures.value(QStringLiteral("durationPerDay"))
        ->setText(dailyTime.stringForObjectValue(PlistValue(s.durationPerDay)));
}

QString StatisticsSheet::figureText(const QString &name) const
{
    const QLabel *figure = m_figures.value(name);
    return figure ? figure->text() : QString();
}

void StatisticsSheet::okButtonAction()
{
    accept();
}

} // namespace vidarium
