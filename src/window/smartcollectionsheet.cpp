#include "smartcollectionsheet.h"

#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/predicateevaluator.h"
#include "widgets/predicateeditor.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vidarium {

SmartCollectionSheet::SmartCollectionSheet(
    MediaLibrary &library, MediaPlaylistPtr playlist, QWidget *parent)
    : QDialog(parent)
    , m_library(&library)
    , m_playlist(std::move(playlist))
{
    setObjectName(QStringLiteral("SmartCollectionSheet"));
    setWindowTitle(m_playlist ? tr("Edit Smart Collection") : tr("New Smart Collection"));
    buildLayout();
    showCriteria();
    updateOkButton();
    resize(660, 340);
}

SmartCollectionSheet::~SmartCollectionSheet() = default;

void SmartCollectionSheet::buildLayout()
{
    m_nameField = new QLineEdit;
    m_nameField->setObjectName(QStringLiteral("NameField"));
    auto *form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Name:"), m_nameField);

    m_editor = new PredicateEditor;
    m_editor->setRowTemplates(rowTemplates(*m_library));
    m_editor->setMinimumHeight(160);
    m_criteriaText = new QPlainTextEdit;
    m_criteriaText->setObjectName(QStringLiteral("CriteriaText"));
    m_criteriaText->setReadOnly(true);
    m_criteriaText->hide();
    m_readOnlyNote = new QLabel(tr("These criteria use forms the rule editor cannot show. They are "
                                   "kept exactly as they are; only the name can be changed here."));
    m_readOnlyNote->setWordWrap(true);
    m_readOnlyNote->hide();

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &SmartCollectionSheet::okButtonAction);
    connect(
        m_buttons, &QDialogButtonBox::rejected, this, &SmartCollectionSheet::cancelButtonAction);
    connect(m_nameField, &QLineEdit::textChanged, this, &SmartCollectionSheet::updateOkButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(form);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_readOnlyNote);
    layout->addWidget(m_criteriaText, 1);
    layout->addWidget(m_buttons);
}

void SmartCollectionSheet::showCriteria()
{
    if (!m_playlist) {
        m_nameField->setText(QStringLiteral("Untitled"));
        m_nameField->selectAll();
        return;
    }
    m_nameField->setText(m_playlist->name());
    const std::optional<Predicate> &predicate = m_playlist->predicate();
    if (predicate && m_editor->setPredicate(*predicate))
        return;
    // Rewriting what the rows cannot show would change the collection behind the
    // user's back: show it as text and leave it alone.
    m_readOnly = true;
    m_editor->hide();
    m_readOnlyNote->show();
    m_criteriaText->setPlainText(predicate ? predicate->format() : QString());
    m_criteriaText->show();
}

void SmartCollectionSheet::updateOkButton()
{
    // A collection without a name could not be told apart in the source list.
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_nameField->text().trimmed().isEmpty());
}

void SmartCollectionSheet::okButtonAction()
{
    if (m_nameField->text().trimmed().isEmpty() || !m_library)
        return;
    if (m_readOnly) {
        save(m_playlist->predicate());
        return;
    }
    const Result<Predicate> predicate = m_editor->predicate();
    if (!predicate) {
        showAlert(predicate.error().message());
        return;
    }
    // Compiling reads every regular expression, also those in branches that an
    // evaluation would skip, and matches nothing: no pattern can stall it.
    if (const auto compiled = predicate->evaluator(); !compiled) {
        qWarning("Attempted to create invalid Smart Collection criteria, probably a bad RegEx: %s",
            qUtf8Printable(compiled.error().message()));
        showAlert(compiled.error().message());
        return;
    }
    save(*predicate);
}

void SmartCollectionSheet::save(const std::optional<Predicate> &predicate)
{
    const QString name = m_nameField->text();
    if (m_playlist) {
        m_playlist->setName(name);
        m_playlist->setPredicate(predicate);
    } else {
        m_playlist = m_library->createPlaylist(name, predicate);
    }
    accept();
    emit didCloseWithPlaylist(m_playlist);
}

void SmartCollectionSheet::cancelButtonAction()
{
    reject();
}

void SmartCollectionSheet::showAlert(const QString &detail)
{
    const Definitions &definitions = Definitions::shared();
    auto *alert = new QMessageBox(this);
    alert->setObjectName(QStringLiteral("SmartCollectionAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(definitions.localizedString(QStringLiteral("SmartCollectionAlertMessageText")));
    alert->setInformativeText(
        definitions.localizedString(QStringLiteral("SmartCollectionAlertInformativeText")));
    alert->setDetailedText(detail);
    alert->setStandardButtons(QMessageBox::Ok);
    alert->setWindowModality(Qt::WindowModal);
    m_alert = alert;
    alert->open();
}

} // namespace vidarium
