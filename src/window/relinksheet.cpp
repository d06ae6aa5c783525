#include "relinksheet.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "platform/backgroundpool.h"
#include "platform/bookmark.h"
#include "platform/filepath.h"
#include "platform/notificationcenter.h"
#include "window/panels.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vidarium {

struct RelinkSheet::ScanState
{
    std::atomic<int> progress = 0;
    std::atomic<bool> cancelled = false;
};

namespace {

void sortByName(MediaElementList &elements)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(
        elements.begin(), elements.end(), [&](const MediaElementPtr &a, const MediaElementPtr &b) {
            return collator.compare(a->name(), b->name()) < 0;
        });
}

QTreeWidget *makeList(const QString &name, const QStringList &headers)
{
    auto *list = new QTreeWidget;
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setHeaderLabels(headers);
    list->header()->setStretchLastSection(true);
    list->setColumnWidth(0, 180);
    // The file's name is at the end of the path: cut in the middle.
    list->setTextElideMode(Qt::ElideMiddle);
    return list;
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

} // namespace

RelinkSheet::RelinkSheet(Document &document, QWidget *parent)
    : QDialog(parent)
    , m_document(&document)
    , m_scanState(std::make_shared<ScanState>())
{
    setObjectName(QStringLiteral("RelinkSheet"));
    setWindowTitle(tr("Relink Files"));
    buildLayout();
    resize(720, 480);
    startScan();
}

RelinkSheet::~RelinkSheet()
{
    m_scanState->cancelled = true;
}

void RelinkSheet::buildLayout()
{
    auto *intro = new QLabel(tr("These movies' files are missing. Locate one of them and the "
                                "others are looked for at the same places around it."));
    intro->setWordWrap(true);
    m_missingView
        = makeList(QStringLiteral("MissingList"), { tr("Name"), tr("Original Location") });
    m_matchedView = makeList(QStringLiteral("MatchedList"), { tr("Name"), tr("New Location") });
    connect(m_missingView, &QTreeWidget::itemDoubleClicked, this, &RelinkSheet::locateButtonAction);
    m_locateButton = new QPushButton(tr("Locate…"));
    m_locateButton->setObjectName(QStringLiteral("LocateButton"));
    connect(m_locateButton, &QPushButton::clicked, this, &RelinkSheet::locateButtonAction);
    m_moveBackButton = new QPushButton(tr("Move Back"));
    m_moveBackButton->setObjectName(QStringLiteral("MoveBackButton"));
    connect(m_moveBackButton, &QPushButton::clicked, this,
        [this] { removeMatchedElements(selectedMatched()); });
    connect(m_matchedView, &QTreeWidget::itemSelectionChanged, this,
        [this] { m_moveBackButton->setEnabled(!m_scanning && !selectedMatched().isEmpty()); });
    connect(m_missingView, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_locateButton->setEnabled(!m_scanning && !m_missingView->selectedItems().isEmpty());
    });
    m_progress = new QProgressBar;
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(12);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("MatchedSummary"));
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("RelinkMessage"));
    m_message->setWordWrap(true);
    m_message->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &RelinkSheet::okButtonAction);
    connect(buttons, &QDialogButtonBox::rejected, this, &RelinkSheet::cancelButtonAction);

    auto *missingRow = new QHBoxLayout;
    missingRow->addWidget(new QLabel(tr("Missing files:")), 1);
    missingRow->addWidget(m_locateButton);
    auto *matchedRow = new QHBoxLayout;
    matchedRow->addWidget(new QLabel(tr("Found files:")), 1);
    matchedRow->addWidget(m_moveBackButton);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(intro);
    layout->addLayout(missingRow);
    layout->addWidget(m_missingView, 3);
    layout->addWidget(m_progress);
    layout->addLayout(matchedRow);
    layout->addWidget(m_matchedView, 2);
    layout->addWidget(m_message);
    layout->addLayout(bottom);
}

void RelinkSheet::startScan()
{
    const MediaElementList elements = m_document->library().allElements();
    m_scanning = true;
    m_progress->setRange(0, int(elements.size()));
    m_summary->setText(tr("Looking for missing files…"));
    m_locateButton->setEnabled(false);
    m_moveBackButton->setEnabled(false);
    m_okButton->setEnabled(false);
    auto *poll = new QTimer(this);
    poll->setInterval(50);
    std::shared_ptr<ScanState> state = m_scanState;
    connect(poll, &QTimer::timeout, this, [this, poll, state] {
        if (!m_scanning) {
            poll->deleteLater();
            return;
        }
        m_progress->setValue(state->progress.load(std::memory_order_relaxed));
    });
    poll->start();
    QPointer<RelinkSheet> guard(this);
    // A slow or hung volume holds up only this pool thread; the sheet can be cancelled.
    backgroundPool().start([guard, state, elements] {
        RelinkMatcher::Scan scan = RelinkMatcher::scan(elements, state->progress, state->cancelled);
        // The elements go back with the result: one dropped from the library
        // meanwhile is then released on the main thread, which owns it.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, elements, scan = std::move(scan)]() mutable {
                if (guard)
                    guard->scanDone(std::move(scan));
            },
            Qt::QueuedConnection);
    });
}

void RelinkSheet::scanDone(RelinkMatcher::Scan scan)
{
    m_scanning = false;
    if (!m_document)
        return;
    m_progress->hide();
    m_heldBy = std::move(scan.heldBy);
    m_missing.clear();
    MediaLibrary &library = m_document->library();
    for (const MediaElementPtr &element : std::as_const(scan.missing)) {
        if (!library.containsElement(*element))
            continue;
        m_facts.insert(element.get(), RelinkMatcher::factsOf(*element));
        m_missing.append(element);
    }
    sortByName(m_missing);
    m_okButton->setEnabled(true);
    refreshLists();
    emit scanFinished();
}

MediaElementList RelinkSheet::matchedElements() const
{
    MediaElementList elements;
    for (const Match &match : m_matches)
        elements.append(match.element);
    return elements;
}

QString RelinkSheet::matchedPath(const MediaElementPtr &element) const
{
    for (const Match &match : m_matches) {
        if (match.element == element)
            return match.file.path;
    }
    return {};
}

QString RelinkSheet::summaryText() const
{
    return m_summary->text();
}

QString RelinkSheet::messageText() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void RelinkSheet::showMessage(const QString &text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void RelinkSheet::refreshLists()
{
    m_missingView->clear();
    QList<QTreeWidgetItem *> items;
    for (const MediaElementPtr &element : std::as_const(m_missing)) {
        auto *item = new QTreeWidgetItem({ element->name(), displayPath(element->path()) });
        item->setToolTip(1, displayPath(element->path()));
        items.append(item);
    }
    m_missingView->addTopLevelItems(items);
    // Something is always ready to be located while anything is missing.
    if (!m_missing.isEmpty())
        m_missingView->setCurrentItem(m_missingView->topLevelItem(0));
    m_matchedView->clear();
    items.clear();
    for (const Match &match : std::as_const(m_matches)) {
        auto *item = new QTreeWidgetItem(
            { match.element->name(), displayPath(folderOf(match.file.path)) });
        item->setToolTip(1, displayPath(match.file.path));
        items.append(item);
    }
    m_matchedView->addTopLevelItems(items);
    m_summary->setText(tr("Matched %1 of %2 missing files.")
                           .arg(m_matches.size())
                           .arg(m_matches.size() + m_missing.size()));
}

MediaElementList RelinkSheet::selectedMatched() const
{
    MediaElementList elements;
    for (QTreeWidgetItem *item : m_matchedView->selectedItems()) {
        const int row = m_matchedView->indexOfTopLevelItem(item);
        if (row >= 0 && row < m_matches.size())
            elements.append(m_matches.at(row).element);
    }
    return elements;
}

void RelinkSheet::locateButtonAction()
{
    if (m_scanning || !m_document)
        return;
    MediaElementPtr element;
    for (int row = 0; row < m_missingView->topLevelItemCount() && !element; ++row) {
        if (m_missingView->topLevelItem(row)->isSelected() && row < m_missing.size())
            element = m_missing.at(row);
    }
    if (!element)
        return;
    const RelinkMatcher::Facts facts = m_facts.value(element.get());
    Panels::Request request;
    request.kind = Panels::Kind::ChooseFile;
    request.title = tr("Locate “%1”").arg(element->name());
    request.message = tr("Original file: %1").arg(displayPath(facts.path));
    request.acceptFile
        = [facts](const QString &path) { return RelinkMatcher::matches(path, facts); };
    QPointer<RelinkSheet> guard(this);
    Panels::run(this, request, [guard, element](const QStringList &paths) {
        if (guard && !paths.isEmpty())
            guard->locate(element, paths.first());
    });
}

QString RelinkSheet::refusal(const MediaElementPtr &element, const RelinkMatcher::Check &file) const
{
    if (file.verdict != RelinkMatcher::Verdict::Matches)
        return RelinkMatcher::reason(file.verdict);
    for (const Match &match : m_matches) {
        if (match.file.identity == file.identity && match.element != element)
            return tr("It is already matched to “%1”.").arg(match.element->name());
    }
    const auto holder = m_heldBy.constFind(file.identity);
    if (holder != m_heldBy.constEnd() && *holder != element->identifier()) {
        const MediaElementPtr other = m_document->library().elementWithIdentifier(*holder);
        return tr("It is the file of “%1” in this library.")
            .arg(other ? other->name() : tr("another movie"));
    }
    return {};
}

QString RelinkSheet::locate(const MediaElementPtr &element, const QString &path)
{
    if (!m_document || !m_missing.contains(element))
        return {};
    const RelinkMatcher::Check file = RelinkMatcher::check(path, m_facts.value(element.get()));
    const QString refused = refusal(element, file);
    if (!refused.isEmpty()) {
        const QString message = tr("“%1” cannot be the file of “%2”. %3")
                                    .arg(displayPath(path), element->name(), refused);
        showMessage(message);
        return message;
    }
    showMessage({});
    addMatches({ { element, file } });
    discoverMatchesUsingElement(element, file.path);
    return {};
}

void RelinkSheet::discoverMatchesUsingElement(const MediaElementPtr &located, const QString &found)
{
    const QString oldPath = m_facts.value(located.get()).path;
    QList<Match> matches;
    QSet<FileIdentity> taken;
    for (const MediaElementPtr &other : std::as_const(m_missing)) {
        const RelinkMatcher::Facts &facts = m_facts[other.get()];
        const QString candidate = RelinkMatcher::candidatePath(oldPath, found, facts.path);
        const RelinkMatcher::Check file = RelinkMatcher::check(candidate, facts);
        if (file.verdict != RelinkMatcher::Verdict::Matches || taken.contains(file.identity)
            || !refusal(other, file).isEmpty())
            continue;
        taken.insert(file.identity);
        matches.append({ other, file });
    }
    if (!matches.isEmpty())
        addMatches(matches);
}

void RelinkSheet::addMatches(const QList<Match> &matches)
{
    for (const Match &match : matches) {
        m_missing.removeAll(match.element);
        m_matches.append(match);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(m_matches.begin(), m_matches.end(), [&](const Match &a, const Match &b) {
        return collator.compare(a.element->name(), b.element->name()) < 0;
    });
    refreshLists();
}

void RelinkSheet::removeMatchedElements(const MediaElementList &elements)
{
    bool changed = false;
    for (const MediaElementPtr &element : elements) {
        for (qsizetype i = 0; i < m_matches.size(); ++i) {
            if (m_matches.at(i).element == element) {
                m_matches.removeAt(i);
                m_missing.append(element);
                changed = true;
                break;
            }
        }
    }
    if (!changed)
        return;
    sortByName(m_missing);
    refreshLists();
}

void RelinkSheet::okButtonAction()
{
    if (!m_document || m_scanning)
        return;
    // A file may have changed or gone since it was matched: such matches go back
    // to the missing list and the user sees why, instead of a silent wrong link.
    MediaElementList changed;
    for (const Match &match : std::as_const(m_matches)) {
        const RelinkMatcher::Check now
            = RelinkMatcher::check(match.file.path, m_facts.value(match.element.get()));
        if (now.verdict != RelinkMatcher::Verdict::Matches || now.identity != match.file.identity)
            changed.append(match.element);
    }
    if (!changed.isEmpty()) {
        removeMatchedElements(changed);
        showMessage(tr("%n file(s) changed after they were matched and are back among the missing "
                       "files. Press OK again to relink the others.",
            nullptr, int(changed.size())));
        return;
    }
    Document &document = *m_document;
    MediaLibrary &library = document.library();
    const QList<Match> matches = m_matches;
    m_document = nullptr;
    if (matches.isEmpty()) {
        accept();
        return;
    }
    for (const Match &match : matches) {
        if (!library.containsElement(*match.element))
            continue;
        match.element->setBookmark(Bookmark::create(match.file.path));
        match.element->setPath(match.file.path);
    }
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() },
            { LibraryNotification::LibraryElementPropertiesKey,
                QStringList { QStringLiteral("fileExists"), QStringLiteral("path"),
                    QStringLiteral("device"), QStringLiteral("parentFolder"),
                    QStringLiteral("name") } } });
    document.updateChangeCount(Document::Change::Done);
    accept();
}

void RelinkSheet::cancelButtonAction()
{
    m_scanState->cancelled = true;
    m_document = nullptr;
    reject();
}

} // namespace vidarium
