#include "window/exportsheet.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "window/documentwindowcontroller.h"
#include "window/exportjob.h"
#include "window/panels.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vidarium {

namespace {

std::optional<ElementImage> imageForKind(int kind)
{
    switch (kind) {
    case DocumentExport::Posters:
        return ElementImage::Poster;
    case DocumentExport::Thumbnails:
        return ElementImage::Thumbnail;
    case DocumentExport::Filmstrips:
        return ElementImage::Filmstrip;
    case DocumentExport::Storyboards:
        return ElementImage::Storyboard;
    default:
        return std::nullopt;
    }
}

} // namespace

ExportSheet::ExportSheet(MediaLibrary &library, int kind, DocumentExport::WindowState window,
    const QString &baseName, QWidget *parent)
    : QDialog(parent)
    , m_library(&library)
    , m_kind(kind)
    , m_window(std::move(window))
    , m_baseName(baseName)
{
    setObjectName(QStringLiteral("ExportSheet"));
    setWindowTitle(title());
    m_pages = new QStackedWidget;
    m_pages->addWidget(buildRangePage());
    m_pages->addWidget(buildProgressPage());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 12);
    layout->addWidget(m_pages);
    setMinimumWidth(440);
}

ExportSheet::~ExportSheet() = default;

QString ExportSheet::title() const
{
    switch (m_kind) {
    case DocumentExport::Database:
        return tr("Export Catalogue as Text");
    case DocumentExport::Posters:
        return tr("Export Posters");
    case DocumentExport::Thumbnails:
        return tr("Export Thumbnails");
    case DocumentExport::Filmstrips:
        return tr("Export Filmstrips");
    default:
        return tr("Export Storyboards");
    }
}

QWidget *ExportSheet::buildRangePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto *heading = new QLabel(QStringLiteral("<b>%1</b>").arg(title().toHtmlEscaped()));
    layout->addWidget(heading);
    auto *explanation = new QLabel(m_kind == DocumentExport::Database
            ? tr("One tab-delimited line per video, in the order the table shows.")
            : tr("One JPEG file per video that has the image; existing files are kept."));
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(tr("Export:")));

    const QLocale locale;
    const qsizetype counts[]
        = { m_library ? m_library->media().size() : 0, m_window.selectedNodeElements.size(),
              m_window.arrangedElements.size(), m_window.selectedElements.size() };
    const QString labels[] = { tr("All videos in the library"),
        tr("Videos in the selected collection"), tr("Videos listed"), tr("Selected videos") };
    m_rangeGroup = new QButtonGroup(this);
    for (int range = DocumentExport::AllElements; range <= DocumentExport::SelectedItems; ++range) {
        const qsizetype count = counts[range - 1];
        auto *button = new QRadioButton(
            QStringLiteral("%1  (%2)")
                .arg(labels[range - 1],
                    count == 1 ? tr("1 video") : tr("%1 videos").arg(locale.toString(count))));
        button->setObjectName(QStringLiteral("ExportRange%1").arg(range));
        m_rangeGroup->addButton(button, range);
        auto *indented = new QHBoxLayout;
        indented->setContentsMargins(16, 0, 0, 0);
        indented->addWidget(button);
        layout->addLayout(indented);
    }
    m_rangeGroup->button(m_range)->setChecked(true);
    connect(m_rangeGroup, &QButtonGroup::idClicked, this, [this](int id) { m_range = id; });
    layout->addStretch(1);

    auto *buttons = new QDialogButtonBox;
    QPushButton *go = buttons->addButton(
        m_kind == DocumentExport::Database ? tr("Save As\u2026") : tr("Choose Folder\u2026"),
        QDialogButtonBox::AcceptRole);
    go->setObjectName(QStringLiteral("ChooseTargetButton"));
    go->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportSheet::chooseTarget);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportSheet::cancelButtonAction);
    layout->addWidget(buttons);
    return page;
}

QWidget *ExportSheet::buildProgressPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_progressLabel = new QLabel;
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ExportProgress"));
    m_progress->setTextVisible(false);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progress);
    layout->addStretch(1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportSheet::cancelButtonAction);
    layout->addWidget(buttons);
    return page;
}

void ExportSheet::setExportRange(int range)
{
    m_range = range;
    if (QAbstractButton *button = m_rangeGroup->button(range))
        button->setChecked(true);
}

MediaElementList ExportSheet::elements() const
{
    if (!m_library)
        return {};
    DocumentExport::WindowState unsorted = m_window;
    unsorted.sortDescriptors.clear();
    DocumentExport exporter(*m_library, std::move(unsorted));
    exporter.setExportRange(m_range);
    MediaElementList range = exporter.elements();
    if (m_window.sortDescriptors.isEmpty() || range.size() < 2)
        return range;
    // The listed items are already in the window's order: a range that is all
    // listed takes its order from there instead of being compared again, which
    // on a large library would hold the window up for a good while.
    const MediaElementList &listed = m_window.arrangedElements;
    if (m_range == DocumentExport::ArrangedItems)
        return listed;
    if (range.size() <= listed.size()) {
        QSet<const MediaElement *> wanted;
        wanted.reserve(range.size());
        for (const MediaElementPtr &element : std::as_const(range))
            wanted.insert(element.get());
        MediaElementList ordered;
        ordered.reserve(range.size());
        for (const MediaElementPtr &element : listed) {
            if (wanted.contains(element.get()))
                ordered.append(element);
        }
        if (ordered.size() == wanted.size())
            return ordered;
    }
    return DocumentExport::sortedElements(range, m_window.sortDescriptors);
}

void ExportSheet::chooseTarget()
{
    Panels::Request request;
    request.title = title();
    if (m_kind == DocumentExport::Database) {
        request.kind = Panels::Kind::SaveFile;
        request.suggestedName = m_baseName + QStringLiteral(".txt");
    } else {
        request.kind = Panels::Kind::ChooseFolder;
    }
    QPointer<ExportSheet> self(this);
    Panels::run(this, request, [self](const QStringList &paths) {
        if (self && !paths.isEmpty())
            self->startExport(paths.first());
    });
}

void ExportSheet::startExport(const QString &path)
{
    if (m_job || !m_library)
        return;
    const MediaElementList chosen = elements();
    m_job = new ExportJob(*m_library, this);
    m_pages->setCurrentIndex(1);
    const QLocale locale;
    m_progressLabel->setText(
        tr("Exporting %1 of %2\u2026")
            .arg(chosen.size() == 1 ? tr("1 video")
                                    : tr("%1 videos").arg(locale.toString(qint64(chosen.size()))),
                locale.toString(qint64(m_library->media().size()))));
    connect(m_job, &ExportJob::progressChanged, this, [this](qint64 done, qint64 total) {
        m_progress->setMaximum(int(std::max<qint64>(total, 1)));
        m_progress->setValue(int(done));
        if (m_job->isWritingText())
            m_cancel->setEnabled(false);
    });
    connect(m_job, &ExportJob::finished, this, &ExportSheet::exportFinished);
    if (const std::optional<ElementImage> image = imageForKind(m_kind)) {
        m_job->startImages(*image, chosen, path);
        return;
    }
    // Only text goes into the file; a name typed without the type gets it.
    QString file = path;
    if (!file.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
        file += QStringLiteral(".txt");
    m_job->startText(chosen, file);
}

void ExportSheet::exportFinished()
{
    const ExportJob::Outcome outcome = m_job->outcome();
    if (outcome.succeeded || outcome.cancelled) {
        accept();
        return;
    }
    reject();
    emit failed(outcome.message);
}

void ExportSheet::cancelButtonAction()
{
    reject();
}

void ExportSheet::reject()
{
    if (m_job && m_job->isRunning()) {
        m_cancel->setEnabled(false);
        m_job->cancel();
        return;
    }
    QDialog::reject();
}

void ExportSheet::run(DocumentWindowController &window, int kind)
{
    if (kind < DocumentExport::Database || kind > DocumentExport::Storyboards)
        return;
    DocumentExport::WindowState state { window.selectedNodeElements(), window.arrangedElements(),
        window.selectedElements(), window.sortDescriptors() };
    auto *sheet = new ExportSheet(
        window.document().library(), kind, std::move(state), window.displayName(), window.window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<DocumentWindowController> owner(&window);
    connect(sheet, &ExportSheet::failed, &window, [owner](const QString &message) {
        if (!owner)
            return;
        auto *alert = new QMessageBox(owner->window());
        alert->setObjectName(QStringLiteral("ExportAlert"));
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->setIcon(QMessageBox::Warning);
        alert->setText(tr("The export could not be completed."));
        alert->setInformativeText(message);
        alert->addButton(QMessageBox::Ok);
        owner->beginSheet(alert);
    });
    window.beginSheet(sheet);
}

} // namespace vidarium
