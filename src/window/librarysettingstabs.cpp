// The settings sheet's tabs of plain controls: each control shows one setting
// of the working copy and writes it back as it changes.

#include "window/librarysettingssheet.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vidarium {

namespace {

QWidget *tabPage(QVBoxLayout **layout)
{
    auto *page = new QWidget;
    *layout = new QVBoxLayout(page);
    (*layout)->setContentsMargins(12, 12, 12, 12);
    (*layout)->setSpacing(12);
    return page;
}

QFormLayout *groupForm(QVBoxLayout *page, const QString &title)
{
    auto *group = new QGroupBox(title);
    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    page->addWidget(group);
    return form;
}

} // namespace

QCheckBox *LibrarySettingsSheet::boundCheckBox(const QString &text, const QString &key)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(key);
    box->setChecked(m_copy->valueForKey(key).toBool());
    connect(box, &QCheckBox::toggled, this,
        [this, key](bool checked) { m_copy->setValueForKey(checked, key); });
    return box;
}

QWidget *LibrarySettingsSheet::buildGeneralTab()
{
    QVBoxLayout *layout = nullptr;
    QWidget *page = tabPage(&layout);
    QFormLayout *counts = groupForm(layout, tr("Counts"));
    counts->addRow(boundCheckBox(tr("Show the number of videos beside each collection"),
        QStringLiteral("showSourceElementCounts")));
    counts->addRow(boundCheckBox(tr("Show the total of each folder of collections"),
        QStringLiteral("showSourceFolderCounts")));
    counts->addRow(boundCheckBox(tr("Show the number of videos beside each filter value"),
        QStringLiteral("showFilterElementCounts")));

    QFormLayout *spans = groupForm(layout, tr("Built-in collections"));
    for (const auto &[key, label] :
        { std::pair { QStringLiteral("recentlyAddedDays"), tr("Recently Added:") },
            std::pair { QStringLiteral("recentlyPlayedDays"), tr("Recently Played:") } }) {
        auto *days = new QSpinBox;
        days->setObjectName(key);
        days->setRange(1, 3650);
        days->setSuffix(tr(" days"));
        days->setValue(int(std::clamp<qint64>(m_copy->valueForKey(key).toInteger(), 1, 3650)));
        connect(days, &QSpinBox::valueChanged, this,
            [this, key = key](int value) { m_copy->setValueForKey(qint64(value), key); });
        spans->addRow(label, days);
    }
    auto *rating = new QComboBox;
    rating->setObjectName(QStringLiteral("minimumFavoritesRating"));
    const QStringList stars = Definitions::shared().ratingStrings();
    for (int value = 1; value <= 5; ++value)
        rating->addItem(stars.value(value, QString::number(value)), value);
    rating->setCurrentIndex(int(std::clamp<qint64>(m_copy->minimumFavoritesRating(), 1, 5)) - 1);
    connect(rating, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_copy->setMinimumFavoritesRating(index + 1); });
    spans->addRow(tr("Favorites: rated at least"), rating);
    layout->addStretch(1);
    return page;
}

QWidget *LibrarySettingsSheet::buildCollectionsTab()
{
    QVBoxLayout *layout = nullptr;
    QWidget *page = tabPage(&layout);
    QFormLayout *shown = groupForm(layout, tr("Show in the source list"));
    const MediaLibrary &library = m_document->library();
    for (const QString &type : { MediaPlaylist::TypeLastImport, MediaPlaylist::TypeRecentlyAdded,
             MediaPlaylist::TypeRecentlyPlayed, MediaPlaylist::TypeFavorites,
             MediaPlaylist::TypeMissing }) {
        const MediaPlaylistPtr playlist = library.playlistWithType(type);
        auto *box = new QCheckBox(playlist ? playlist->name() : type);
        box->setObjectName(type);
        box->setChecked(m_copy->sourceListVisibility().value(type).toBool());
        connect(box, &QCheckBox::toggled, this, [this, type](bool checked) {
            PlistDictionary visibility = m_copy->sourceListVisibility();
            visibility.insert(type, checked);
            m_copy->setSourceListVisibility(visibility);
        });
        shown->addRow(box);
    }
    auto *note = new QLabel(tr("All Videos, Unreadable and Trash are always shown."));
    note->setEnabled(false);
    shown->addRow(note);
    layout->addStretch(1);
    return page;
}

void LibrarySettingsSheet::setImageMetric(const QString &metric, const PlistValue &value)
{
    PlistDictionary metrics = m_copy->imageMetrics();
    metrics.insert(metric, value);
    m_copy->setImageMetrics(metrics);
}

QCheckBox *LibrarySettingsSheet::metricCheckBox(const QString &text, const QString &metric)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(metric);
    const PlistValue value = m_copy->imageMetrics().value(metric);
    box->setChecked(value.toBool() || value.toInteger() != 0);
    connect(box, &QCheckBox::toggled, this,
        [this, metric](bool checked) { setImageMetric(metric, checked); });
    return box;
}

QWidget *LibrarySettingsSheet::metricSpinBox(const QString &metric, int minimum, int maximum)
{
    auto *spin = new QSpinBox;
    spin->setObjectName(metric);
    spin->setRange(minimum, maximum);
    spin->setValue(int(
        std::clamp<qint64>(m_copy->imageMetrics().value(metric).toInteger(), minimum, maximum)));
    connect(spin, &QSpinBox::valueChanged, this,
        [this, metric](int value) { setImageMetric(metric, qint64(value)); });
    return spin;
}

QWidget *LibrarySettingsSheet::buildImagesTab()
{
    using namespace ImageMetricKeys;
    const ImageMetrics current = ImageMetrics::fromDictionary(m_copy->imageMetrics());
    QVBoxLayout *layout = nullptr;
    QWidget *page = tabPage(&layout);

    QFormLayout *thumbnail = groupForm(layout, tr("Thumbnail"));
    auto *position = new QSpinBox;
    position->setObjectName(ThumbnailPosition);
    position->setRange(0, 100);
    position->setSuffix(tr(" % into the video"));
    position->setValue(int(std::lround(std::clamp(current.thumbnailPosition, 0.0, 1.0) * 100)));
    connect(position, &QSpinBox::valueChanged, this,
        [this](int value) { setImageMetric(ThumbnailPosition, value / 100.0); });
    thumbnail->addRow(tr("Frame taken at:"), position);

    QFormLayout *storyboard = groupForm(layout, tr("Storyboard"));
    auto *size = new QComboBox;
    size->setObjectName(StoryboardSize);
    for (int index = 0; index <= 5; ++index)
        size->addItem(QStringLiteral("%1 \u00d7 %2").arg(96 + 32 * index).arg(54 + 18 * index));
    size->setCurrentIndex(int(std::clamp<qint64>(current.storyboardSize, 0, 5)));
    connect(size, &QComboBox::currentIndexChanged, this,
        [this](int index) { setImageMetric(StoryboardSize, qint64(index)); });
    storyboard->addRow(tr("Frame size:"), size);
    storyboard->addRow(tr("Rows:"), metricSpinBox(StoryboardRows, 1, 15));
    storyboard->addRow(tr("Columns:"), metricSpinBox(StoryboardColumns, 1, 15));
    storyboard->addRow(metricCheckBox(tr("Frames keep the video's shape"), StoryboardAspect));
    storyboard->addRow(metricCheckBox(tr("Double resolution"), StoryboardRetina));

    QFormLayout *filmstrip = groupForm(layout, tr("Filmstrip"));
    filmstrip->addRow(tr("Frames:"), metricSpinBox(FilmstripFrames, 1, 15));
    filmstrip->addRow(metricCheckBox(tr("Frames keep the video's shape"), FilmstripAspect));
    filmstrip->addRow(metricCheckBox(tr("Double resolution"), FilmstripRetina));
    auto *note = new QLabel(tr("Images made before a change are made again."));
    note->setEnabled(false);
    layout->addWidget(note);
    layout->addStretch(1);
    return page;
}

} // namespace vidarium
