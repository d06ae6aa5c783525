#include "editkeywordssheet.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "platform/notificationcenter.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace vidarium {

EditKeywordsSheet::EditKeywordsSheet(
    Document &document, const MediaElementList &elements, QWidget *parent)
    : QDialog(parent)
    , m_document(&document)
    , m_elements(elements)
{
    setObjectName(QStringLiteral("EditKeywordsSheet"));
    setWindowTitle(tr("Edit Keywords"));
    m_shared = KeywordTokens::sharedKeywords(document.library(), m_elements);
    buildLayout();
    fillList();
    m_tokenField->setText(
        KeywordTokens::format(KeywordTokens::sortedNames(m_shared.identifiersByName.keys())));
    resize(460, 400);
}

EditKeywordsSheet::~EditKeywordsSheet() = default;

void EditKeywordsSheet::buildLayout()
{
    auto *intro
        = new QLabel(tr("Keywords of all %n selected movies (separate them with commas):", nullptr,
            int(m_elements.size())));
    intro->setWordWrap(true);
    m_tokenField = new QLineEdit;
    m_tokenField->setObjectName(QStringLiteral("TokenField"));
    m_tokenField->setPlaceholderText(tr("No shared keywords"));
    m_tokenField->installEventFilter(this);
    connect(m_tokenField, &QLineEdit::textEdited, this, &EditKeywordsSheet::completeTyping);

    auto *listLabel = new QLabel(tr("All keywords (double-click to add):"));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("KeywordList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAlternatingRowColors(true);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &EditKeywordsSheet::addSelectedKeywords);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &EditKeywordsSheet::okButtonAction);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &EditKeywordsSheet::cancelButtonAction);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(intro);
    layout->addWidget(m_tokenField);
    layout->addSpacing(6);
    layout->addWidget(listLabel);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_buttons);
}

void EditKeywordsSheet::fillList()
{
    QStringList names;
    for (const MediaUserKeywordPtr &keyword : m_document->library().userKeywords()) {
        if (!keyword->name().trimmed().isEmpty())
            names.append(keyword->name());
    }
    std::sort(names.begin(), names.end());
    m_names = names;
    // Two keywords of one name are one row: the name is what the user picks.
    names.erase(std::unique(names.begin(), names.end()), names.end());
    m_list->addItems(names);
}

QStringList EditKeywordsSheet::tokens() const
{
    return KeywordTokens::parse(m_tokenField->text());
}

void EditKeywordsSheet::addSelectedKeywords()
{
    QStringList names = tokens();
    for (const QListWidgetItem *item : m_list->selectedItems()) {
        if (!names.contains(item->text()))
            names.append(item->text());
    }
    m_tokenField->setText(KeywordTokens::format(KeywordTokens::sortedNames(names)));
}

bool EditKeywordsSheet::eventFilter(QObject *object, QEvent *event)
{
    if (object == m_tokenField && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
            m_userDeleted = true;
    }
    return QDialog::eventFilter(object, event);
}

void EditKeywordsSheet::completeTyping()
{
    // Proposing again right after a deletion would undo it.
    if (std::exchange(m_userDeleted, false))
        return;
    const QString text = m_tokenField->text();
    if (m_tokenField->cursorPosition() != text.size())
        return;
    const qsizetype start = KeywordTokens::lastTokenStart(text);
    QString prefix = text.mid(start);
    const bool openQuote = prefix.startsWith(QLatin1Char('"'));
    if (openQuote)
        prefix = prefix.mid(1);
    const QString found = KeywordTokens::completion(m_names, prefix);
    if (found.isEmpty())
        return;
    // A name that needs quotes is written quoted, the proposed rest selected.
    const QString written = KeywordTokens::quoted(found);
    const bool quotedNow = written.size() != found.size() || openQuote;
    const QString token = quotedNow && !written.startsWith(QLatin1Char('"'))
        ? QLatin1Char('"') + written + QLatin1Char('"')
        : written;
    const qsizetype typedEnd = start + (quotedNow ? 1 : 0) + prefix.size();
    m_tokenField->setText(text.left(start) + token);
    m_tokenField->setSelection(int(typedEnd), int(m_tokenField->text().size() - typedEnd));
}

void EditKeywordsSheet::okButtonAction()
{
    if (!m_document) {
        reject();
        return;
    }
    const QStringList names = tokens();
    Document &document = *m_document;
    KeywordTokens::apply(document.library(), m_elements, m_shared, names);
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() },
            { LibraryNotification::LibraryElementPropertiesKey,
                QStringList { QStringLiteral("userKeywords"),
                    QStringLiteral("userKeywordObjects.name"),
                    QStringLiteral("userKeywordsExist") } } });
    // Marked while the sheet is still up: the window's commands are then
    // re-validated once, when it ends.
    document.updateChangeCount(Document::Change::Done);
    m_document = nullptr;
    accept();
}

void EditKeywordsSheet::cancelButtonAction()
{
    m_document = nullptr;
    reject();
}

} // namespace vidarium
