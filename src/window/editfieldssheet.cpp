#include "editfieldssheet.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/settingkeys.h"
#include "platform/backgroundpool.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "window/itemstextdelegate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QThreadPool>
#include <QVBoxLayout>

namespace vidarium {

namespace {

int &workerThreshold()
{
    // About where comparing on the main thread would cost 50 ms.
    static int threshold = 20000;
    return threshold;
}

const QString CommentsKey = QStringLiteral("userComments");

} // namespace

QString EditFieldsSheet::multipleValuesText()
{
    return tr("Multiple Values");
}

QString EditFieldsSheet::newValueText()
{
    return tr("New Value");
}

void EditFieldsSheet::setWorkerThreshold(int elements)
{
    workerThreshold() = std::max(1, elements);
}

EditFieldsSheet::EditFieldsSheet(
    Document &document, const MediaElementList &elements, QWidget *parent)
    : QDialog(parent)
    , m_document(&document)
    , m_elements(elements)
{
    setObjectName(QStringLiteral("EditFieldsSheet"));
    setWindowTitle(tr("Edit Fields"));
    buildLayout();
    startComparing();
    resize(480, sizeHint().height());
}

EditFieldsSheet::~EditFieldsSheet() = default;

void EditFieldsSheet::buildLayout()
{
    auto *rows = new QWidget;
    m_grid = new QGridLayout(rows);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(10);
    m_grid->setVerticalSpacing(6);
    m_grid->setColumnStretch(1, 1);
    int index = 0;
    for (const MediaUserFieldPtr &field : m_document->library().activeUserFields())
        addRow(index++, field->identifier(), field->name());
    m_grid->setRowStretch(index, 1);
    auto *scroll = new QScrollArea;
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // As tall as the rows, up to a point; more rows scroll.
    scroll->setMinimumHeight(std::min(rows->sizeHint().height(), 340));

    m_commentsCheck = new QCheckBox(tr("Comments"));
    m_commentsCheck->setObjectName(QStringLiteral("CommentsCheckBox"));
    m_comments = new QPlainTextEdit;
    m_comments->setObjectName(QStringLiteral("CommentsField"));
    m_comments->setTabChangesFocus(true);
    m_comments->setFixedHeight(72);
    connect(m_commentsCheck, &QCheckBox::toggled, this, &EditFieldsSheet::commentsToggled);
    connect(m_comments, &QPlainTextEdit::textChanged, this, &EditFieldsSheet::commentsEdited);

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("SummaryField"));
    m_summary->setEnabled(false);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &EditFieldsSheet::okButtonAction);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &EditFieldsSheet::cancelButtonAction);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(8);
    auto *intro = new QLabel(tr("Only ticked fields are written to the selected movies."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    if (m_rows.isEmpty()) {
        auto *none = new QLabel(tr("This library has no fields of its own. Add them in the "
                                   "library settings."));
        none->setWordWrap(true);
        layout->addWidget(none);
    } else {
        layout->addWidget(scroll, 1);
    }
    layout->addSpacing(4);
    layout->addWidget(m_commentsCheck);
    layout->addWidget(m_comments);
    layout->addLayout(bottom);
}

void EditFieldsSheet::addRow(int index, const QString &field, const QString &label)
{
    Row row;
    row.field = field;
    row.check = new QCheckBox(label);
    row.check->setObjectName(QStringLiteral("Check_") + field);
    row.edit = new QLineEdit;
    row.edit->setObjectName(QStringLiteral("Value_") + field);
    row.edit->installEventFilter(this);
    m_grid->addWidget(row.check, index, 0);
    m_grid->addWidget(row.edit, index, 1);
    connect(row.check, &QCheckBox::toggled, this,
        [this, field](bool checked) { rowToggled(*rowForField(field), checked); });
    connect(row.edit, &QLineEdit::textEdited, this,
        [this, field](const QString &text) { rowEdited(*rowForField(field), text); });
    m_rows.append(row);
}

void EditFieldsSheet::startComparing()
{
    QStringList fields = fieldIdentifiers();
    FieldValues values = FieldValues::take(m_elements, fields);
    if (m_elements.size() < workerThreshold()) {
        showValues(values.compute());
        return;
    }
    setEnabled(true);
    for (QWidget *widget : findChildren<QWidget *>())
        widget->setEnabled(widget == m_buttons->button(QDialogButtonBox::Cancel)
            || widget == m_buttons || widget == m_summary);
    m_summary->setText(tr("Reading the values of %n movies…", nullptr, int(m_elements.size())));
    QPointer<EditFieldsSheet> guard(this);
    backgroundPool().start([guard, values = std::move(values)] {
        QList<FieldValues::Summary> summaries = values.compute();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, summaries = std::move(summaries)] {
                if (guard)
                    guard->showValues(summaries);
            },
            Qt::QueuedConnection);
    });
}

void EditFieldsSheet::showValues(const QList<FieldValues::Summary> &summaries)
{
    if (summaries.size() != m_rows.size() + 1)
        return;
    for (QWidget *widget : findChildren<QWidget *>())
        widget->setEnabled(widget != m_summary);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        row.multiple = summaries.at(i).multiple;
        row.original = summaries.at(i).value;
        const QSignalBlocker blocker(row.check);
        row.check->setChecked(!row.multiple);
        row.edit->setText(row.original);
        row.edit->setPlaceholderText(row.multiple ? multipleValuesText() : QString());
    }
    const FieldValues::Summary &comments = summaries.last();
    m_commentsMultiple = comments.multiple;
    m_commentsOriginal = comments.value;
    {
        const QSignalBlocker blocker(m_commentsCheck);
        m_commentsCheck->setChecked(!comments.multiple);
    }
    m_settingComments = true;
    m_comments->setPlainText(comments.value);
    m_comments->setPlaceholderText(comments.multiple ? multipleValuesText() : QString());
    m_settingComments = false;
    m_summary->setText(comments.multiple
            ? tr("This will affect fields in %1 movies.").arg(m_elements.size())
            : QString());
    m_ready = true;
    emit ready();
}

void EditFieldsSheet::rowToggled(Row &row, bool checked)
{
    if (checked) {
        // The placeholder says what is asked for; the text stays what the user
        // typed, so a ticked row never writes the prompt itself.
        if (row.multiple)
            row.edit->setPlaceholderText(newValueText());
        row.edit->setFocus(Qt::OtherFocusReason);
        row.edit->selectAll();
    } else {
        row.edit->setText(row.original);
        row.edit->setPlaceholderText(row.multiple ? multipleValuesText() : QString());
    }
}

void EditFieldsSheet::rowEdited(Row &row, const QString &text)
{
    // Typing into a row is asking for it to be written.
    if (!row.check->isChecked()) {
        const QSignalBlocker blocker(row.check);
        row.check->setChecked(true);
        if (row.multiple)
            row.edit->setPlaceholderText(newValueText());
    }
    if (std::exchange(row.userDeleted, false) || text.isEmpty()
        || !UserDefaults::standard().boolForKey(SettingKey::AutoCompleteUserFields) || !m_document)
        return;
    ItemsTextDelegate::complete(row.edit, completionsFor(row, text));
}

QStringList EditFieldsSheet::completionsFor(Row &row, const QString &prefix)
{
    // Reading every element's value on each keystroke would make typing wait
    // on large libraries: the values are gathered once, sorted, and filtered.
    if (!row.completions) {
        const MediaUserFieldPtr field = m_document->library().userFieldWithIdentifier(row.field);
        row.completions = field ? field->completionsForPrefix(QString()) : QStringList();
    }
    QStringList found;
    for (const QString &value : std::as_const(*row.completions)) {
        if (value.startsWith(prefix, Qt::CaseSensitive))
            found.append(value);
    }
    return found;
}

bool EditFieldsSheet::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
            for (Row &row : m_rows) {
                if (row.edit == object)
                    row.userDeleted = true;
            }
        }
    }
    return QDialog::eventFilter(object, event);
}

void EditFieldsSheet::commentsToggled(bool checked)
{
    if (!m_commentsMultiple)
        return;
    m_comments->setPlaceholderText(checked ? newValueText() : multipleValuesText());
    if (!checked) {
        m_settingComments = true;
        m_comments->setPlainText(m_commentsOriginal);
        m_settingComments = false;
    }
}

void EditFieldsSheet::commentsEdited()
{
    if (m_settingComments || !m_ready || m_commentsCheck->isChecked())
        return;
    m_commentsCheck->setChecked(true);
}

QStringList EditFieldsSheet::fieldIdentifiers() const
{
    QStringList fields;
    for (const Row &row : m_rows)
        fields.append(row.field);
    return fields;
}

EditFieldsSheet::Row *EditFieldsSheet::rowForField(const QString &field)
{
    for (Row &row : m_rows) {
        if (row.field == field)
            return &row;
    }
    return nullptr;
}

const EditFieldsSheet::Row *EditFieldsSheet::rowForField(const QString &field) const
{
    return const_cast<EditFieldsSheet *>(this)->rowForField(field);
}

QCheckBox *EditFieldsSheet::checkBox(const QString &field) const
{
    const Row *row = rowForField(field);
    return row ? row->check : nullptr;
}

QLineEdit *EditFieldsSheet::valueField(const QString &field) const
{
    const Row *row = rowForField(field);
    return row ? row->edit : nullptr;
}

bool EditFieldsSheet::isMultiple(const QString &field) const
{
    const Row *row = rowForField(field);
    return row && row->multiple;
}

PlistDictionary EditFieldsSheet::valuesToWrite() const
{
    PlistDictionary values;
    for (const Row &row : m_rows) {
        if (row.check->isChecked())
            values.insert(row.field, FieldValues::singleLine(row.edit->text()));
    }
    if (m_commentsCheck->isChecked())
        values.insert(CommentsKey, m_comments->toPlainText());
    return values;
}

void EditFieldsSheet::okButtonAction()
{
    if (!m_document || !m_ready) {
        if (!m_document)
            reject();
        return;
    }
    const PlistDictionary values = valuesToWrite();
    applyValues(values);
    Document &document = *m_document;
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() },
            { LibraryNotification::LibraryElementPropertiesKey, QStringList(values.keys()) } });
    // Marked while the sheet is still up, so the window's commands are
    // re-validated once, when it ends, and not for the change mark as well.
    document.updateChangeCount(Document::Change::Done);
    m_document = nullptr;
    accept();
}

void EditFieldsSheet::applyValues(const PlistDictionary &values)
{
    // A row that every element already shows needs no writing: writing it would
    // turn "no value" into a stored one on every element that had none.
    PlistDictionary changed;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString text = it.value().toString();
        if (it.key() == CommentsKey) {
            if (m_commentsMultiple || text != m_commentsOriginal)
                changed.insert(it.key(), it.value());
            continue;
        }
        const Row *row = rowForField(it.key());
        if (row && (row->multiple || text != row->original))
            changed.insert(it.key(), it.value());
    }
    if (changed.isEmpty())
        return;
    MediaLibrary &library = m_document->library();
    // The one notification posted after this tells every pane which keys changed;
    // a signal per element on top of it cost most of the time on large selections.
    const QSignalBlocker quiet(&library);
    for (const MediaElementPtr &element : std::as_const(m_elements)) {
        // Elements removed from the library while the sheet was open stay as they are.
        if (!library.containsElement(*element))
            continue;
        for (auto it = changed.begin(); it != changed.end(); ++it)
            element->setValueForKey(it.value(), it.key());
    }
}

void EditFieldsSheet::cancelButtonAction()
{
    m_document = nullptr;
    reject();
}

} // namespace vidarium
