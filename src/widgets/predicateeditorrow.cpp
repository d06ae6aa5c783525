#include "predicateeditorrow.h"

#include "model/valueformatters.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QToolButton>

#include <cmath>

namespace vidarium {

namespace {

constexpr int IndentPerLevel = 22;
const QString DateTextFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

std::unique_ptr<ValueFormatter> formatterFor(PredicateEditorTemplate::Format format)
{
    switch (format) {
    case PredicateEditorTemplate::Format::Bytes:
        return std::make_unique<ByteFormatter>();
    case PredicateEditorTemplate::Format::Duration:
        return std::make_unique<DurationFormatter>();
    case PredicateEditorTemplate::Format::Plain:
        break;
    }
    return nullptr;
}

QToolButton *makeButton(const QString &themeIcon, const QString &glyph, const QString &tip)
{
    auto *button = new QToolButton;
    const QIcon icon = QIcon::fromTheme(themeIcon);
    if (icon.isNull())
        button->setText(glyph);
    else
        button->setIcon(icon);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    return button;
}

} // namespace

PredicateEditorRow::PredicateEditorRow(
    const QList<PredicateEditorTemplate> *templates, bool compound, QWidget *parent)
    : QWidget(parent)
    , m_templates(templates)
    , m_compound(compound)
{
    setObjectName(
        compound ? QStringLiteral("PredicateGroupRow") : QStringLiteral("PredicateRuleRow"));
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(6, 3, 6, 3);
    m_layout->setSpacing(6);
    if (compound)
        buildCompound();
    else
        buildRule();
    buildButtons();
}

void PredicateEditorRow::buildCompound()
{
    m_compoundBox = new QComboBox;
    m_compoundBox->addItem(tr("all"), int(CompoundPredicateType::And));
    m_compoundBox->addItem(tr("any"), int(CompoundPredicateType::Or));
    m_compoundLabel = new QLabel(tr("of the following are true"));
    m_layout->addWidget(m_compoundBox);
    m_layout->addWidget(m_compoundLabel);
    m_layout->addStretch(1);
    connect(m_compoundBox, &QComboBox::currentIndexChanged, this, &PredicateEditorRow::edited);
}

void PredicateEditorRow::buildRule()
{
    m_keyBox = new QComboBox;
    m_keyBox->setObjectName(QStringLiteral("KeyBox"));
    // One menu over every template; a separator opens each group of keys.
    for (qsizetype t = 0; t < m_templates->size(); ++t) {
        const PredicateEditorTemplate &tmpl = m_templates->at(t);
        if (tmpl.separatorBefore && m_keyBox->count() > 0)
            m_keyBox->insertSeparator(m_keyBox->count());
        for (qsizetype k = 0; k < tmpl.keyPaths.size(); ++k)
            m_keyBox->addItem(tmpl.titles.value(k, tmpl.keyPaths.at(k)), tmpl.keyPaths.at(k));
    }
    m_operatorBox = new QComboBox;
    m_operatorBox->setObjectName(QStringLiteral("OperatorBox"));
    m_layout->addWidget(m_keyBox);
    m_layout->addWidget(m_operatorBox);
    connect(m_keyBox, &QComboBox::currentIndexChanged, this, &PredicateEditorRow::keyChanged);
    connect(m_operatorBox, &QComboBox::currentIndexChanged, this, &PredicateEditorRow::edited);
    if (!m_templates->isEmpty())
        applyTemplate(0);
}

void PredicateEditorRow::buildButtons()
{
    m_removeButton = makeButton(QStringLiteral("list-remove"), QStringLiteral("−"), tr("Remove"));
    m_removeButton->setObjectName(QStringLiteral("RemoveButton"));
    m_addButton = makeButton(QStringLiteral("list-add"), QStringLiteral("+"), tr("Add a rule"));
    m_addButton->setObjectName(QStringLiteral("AddButton"));
    // A group comes from the button's menu, so the plain click stays the common case.
    auto *menu = new QMenu(m_addButton);
    connect(menu->addAction(tr("Add Rule")), &QAction::triggered, this,
        [this] { emit addRequested(this, false); });
    connect(menu->addAction(tr("Add Group")), &QAction::triggered, this,
        [this] { emit addRequested(this, true); });
    m_addButton->setMenu(menu);
    m_addButton->setPopupMode(QToolButton::MenuButtonPopup);
    const int side = m_keyBox ? m_keyBox->sizeHint().height() : m_compoundBox->sizeHint().height();
    m_removeButton->setFixedSize(side, side);
    m_addButton->setFixedHeight(side);
    m_addButton->setMinimumWidth(side);
    m_layout->addWidget(m_removeButton);
    m_layout->addWidget(m_addButton);
    connect(m_removeButton, &QToolButton::clicked, this, [this] { emit removeRequested(this); });
    connect(m_addButton, &QToolButton::clicked, this, [this] { emit addRequested(this, false); });
}

void PredicateEditorRow::setDepth(int depth)
{
    m_layout->setContentsMargins(6 + depth * IndentPerLevel, 3, 6, 3);
}

void PredicateEditorRow::setRemovable(bool removable)
{
    m_removeButton->setEnabled(removable);
}

void PredicateEditorRow::setColumnWidths(int keyWidth, int operatorWidth)
{
    if (m_keyBox) {
        m_keyBox->setFixedWidth(keyWidth);
        m_operatorBox->setFixedWidth(operatorWidth);
    } else {
        m_compoundBox->setFixedWidth(m_compoundBox->sizeHint().width());
    }
}

QList<QWidget *> PredicateEditorRow::focusChain() const
{
    if (m_compound)
        return { m_compoundBox, m_removeButton, m_addButton };
    return { m_keyBox, m_operatorBox, m_valueEditor, m_removeButton, m_addButton };
}

CompoundPredicateType PredicateEditorRow::compoundType() const
{
    return m_compoundBox ? CompoundPredicateType(m_compoundBox->currentData().toInt())
                         : CompoundPredicateType::And;
}

void PredicateEditorRow::setCompoundType(CompoundPredicateType type)
{
    if (m_compoundBox)
        m_compoundBox->setCurrentIndex(m_compoundBox->findData(int(type)));
}

const PredicateEditorTemplate &PredicateEditorRow::currentTemplate() const
{
    return m_templates->at(m_templateIndex);
}

QString PredicateEditorRow::keyPath() const
{
    return m_keyBox ? m_keyBox->currentData().toString() : QString();
}

bool PredicateEditorRow::selectKey(const QString &keyPath)
{
    const int index = m_keyBox ? m_keyBox->findData(keyPath) : -1;
    if (index < 0)
        return false;
    m_keyBox->setCurrentIndex(index);
    return true;
}

void PredicateEditorRow::keyChanged()
{
    const QString key = keyPath();
    for (qsizetype t = 0; t < m_templates->size(); ++t) {
        if (m_templates->at(t).keyPaths.contains(key)) {
            // Another key of the same template keeps the operator and the value.
            if (t != m_templateIndex)
                applyTemplate(int(t));
            break;
        }
    }
    forgetLoadedValue();
    emit edited();
}

void PredicateEditorRow::applyTemplate(int templateIndex)
{
    m_templateIndex = templateIndex;
    const PredicateEditorTemplate &tmpl = currentTemplate();
    const QSignalBlocker blocker(m_operatorBox);
    m_operatorBox->clear();
    for (PredicateOperatorType type : tmpl.operators)
        m_operatorBox->addItem(
            PredicateEditorTemplate::operatorTitle(type, tmpl.valueKind), int(type));
    makeValueEditor();
}

void PredicateEditorRow::makeValueEditor()
{
    const PredicateEditorTemplate &tmpl = currentTemplate();
    delete m_valueEditor;
    QWidget *editor = nullptr;
    if (tmpl.valueKind == PredicateEditorTemplate::ValueKind::Constants) {
        auto *box = new QComboBox;
        box->addItems(tmpl.constantTitles);
        connect(box, &QComboBox::currentIndexChanged, this, &PredicateEditorRow::edited);
        editor = box;
    } else if (tmpl.valueKind == PredicateEditorTemplate::ValueKind::Date) {
        // Today at midnight is where a date criterion usually starts.
        auto *edit = new QDateTimeEdit(QDateTime(QDate::currentDate(), QTime(0, 0)));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(DateTextFormat);
        // The style's hint cuts the seconds off next to the calendar button.
        edit->setMinimumWidth(edit->sizeHint().width() + 12);
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &PredicateEditorRow::edited);
        editor = edit;
    } else {
        auto *line = new QLineEdit;
        if (tmpl.valueKind == PredicateEditorTemplate::ValueKind::Double)
            line->setValidator(new QDoubleValidator(line));
        connect(line, &QLineEdit::textEdited, this, &PredicateEditorRow::edited);
        editor = line;
    }
    editor->setObjectName(QStringLiteral("ValueEditor"));
    if (tmpl.valueWidth > 0)
        editor->setFixedWidth(tmpl.valueWidth);
    m_valueEditor = editor;
    // Free text takes the room there is; numbers, dates and menus keep their size
    // and a stretch keeps the buttons at the right edge.
    const bool fills = tmpl.valueWidth == 0
        && (tmpl.valueKind == PredicateEditorTemplate::ValueKind::Text
            || tmpl.valueKind == PredicateEditorTemplate::ValueKind::Integer
            || tmpl.valueKind == PredicateEditorTemplate::ValueKind::Double);
    m_layout->insertWidget(2, editor, fills ? 1 : 0);
    const bool stretchPresent = m_layout->count() > 3 && m_layout->itemAt(3)->spacerItem();
    if (!fills && !stretchPresent)
        m_layout->insertStretch(3, 1);
    else if (fills && stretchPresent)
        delete m_layout->takeAt(3);
}

PredicateOperatorType PredicateEditorRow::operatorType() const
{
    return PredicateOperatorType(m_operatorBox->currentData().toInt());
}

bool PredicateEditorRow::selectOperator(PredicateOperatorType type)
{
    const int index = m_operatorBox ? m_operatorBox->findData(int(type)) : -1;
    if (index < 0)
        return false;
    m_operatorBox->setCurrentIndex(index);
    return true;
}

QString PredicateEditorRow::valueText() const
{
    if (auto *box = qobject_cast<QComboBox *>(m_valueEditor))
        return box->currentText();
    if (auto *edit = qobject_cast<QDateTimeEdit *>(m_valueEditor))
        return edit->dateTime().toString(DateTextFormat);
    if (auto *line = qobject_cast<QLineEdit *>(m_valueEditor))
        return line->text();
    return QString();
}

void PredicateEditorRow::setValueText(const QString &text)
{
    if (auto *box = qobject_cast<QComboBox *>(m_valueEditor))
        box->setCurrentIndex(qMax(0, box->findText(text)));
    else if (auto *edit = qobject_cast<QDateTimeEdit *>(m_valueEditor))
        edit->setDateTime(QDateTime::fromString(text, DateTextFormat));
    else if (auto *line = qobject_cast<QLineEdit *>(m_valueEditor))
        line->setText(text);
}

void PredicateEditorRow::forgetLoadedValue()
{
    m_loadedValue.reset();
    m_loadedText.clear();
}

void PredicateEditorRow::setComparison(int templateIndex, const Predicate &comparison)
{
    const PredicateEditorTemplate &tmpl = m_templates->at(templateIndex);
    selectKey(comparison.leftExpression().keyPath());
    selectOperator(comparison.operatorType());
    const PlistValue value = comparison.rightExpression().constantValue();
    QString text;
    switch (tmpl.valueKind) {
    case PredicateEditorTemplate::ValueKind::Text:
        text = value.toString();
        break;
    case PredicateEditorTemplate::ValueKind::Integer:
    case PredicateEditorTemplate::ValueKind::Double:
        if (const auto formatter = formatterFor(tmpl.format))
            text = formatter->stringForObjectValue(value);
        else if (tmpl.valueKind == PredicateEditorTemplate::ValueKind::Integer)
            text = QString::number(std::llround(value.toDouble()));
        else
            text = QLocale().toString(value.toDouble(), 'g', 15);
        break;
    case PredicateEditorTemplate::ValueKind::Date:
        text = value.toDateTime().toLocalTime().toString(DateTextFormat);
        break;
    case PredicateEditorTemplate::ValueKind::Constants:
        text = tmpl.constantTitles.value(tmpl.constantIndex(value));
        break;
    }
    setValueText(text);
    m_loadedValue = value;
    m_loadedText = valueText();
}

Result<PlistValue> PredicateEditorRow::readValue() const
{
    const QString text = valueText();
    if (m_loadedValue && text == m_loadedText)
        return *m_loadedValue;
    const PredicateEditorTemplate &tmpl = currentTemplate();
    const auto notANumber = [&] {
        return Error(Error::Code::InvalidArgument,
            tr("“%1” is not a number (%2).").arg(text, m_keyBox->currentText()));
    };
    switch (tmpl.valueKind) {
    case PredicateEditorTemplate::ValueKind::Text:
        return PlistValue(text);
    case PredicateEditorTemplate::ValueKind::Integer: {
        if (const auto formatter = formatterFor(tmpl.format)) {
            const PlistValue parsed = formatter->objectValueForString(text);
            if (!parsed.isNumber() || !std::isfinite(parsed.toDouble()))
                return notANumber();
            return PlistValue(qint64(std::llround(parsed.toDouble())));
        }
        bool ok = false;
        qint64 number = QLocale().toLongLong(text.trimmed(), &ok);
        if (!ok)
            number = text.trimmed().toLongLong(&ok);
        return ok ? Result<PlistValue>(PlistValue(number)) : Result<PlistValue>(notANumber());
    }
    case PredicateEditorTemplate::ValueKind::Double: {
        bool ok = false;
        double number = QLocale().toDouble(text.trimmed(), &ok);
        if (!ok)
            number = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return notANumber();
        return PlistValue(number);
    }
    case PredicateEditorTemplate::ValueKind::Date:
        return PlistValue(qobject_cast<QDateTimeEdit *>(m_valueEditor)->dateTime());
    case PredicateEditorTemplate::ValueKind::Constants:
        return tmpl.constants.value(qobject_cast<QComboBox *>(m_valueEditor)->currentIndex());
    }
    return Error(tr("The rule has no value."));
}

Result<Predicate> PredicateEditorRow::comparison() const
{
    Q_ASSERT(!m_compound && m_templateIndex >= 0);
    VIDARIUM_TRY(const PlistValue value, readValue());
    const PredicateEditorTemplate &tmpl = currentTemplate();
    return Predicate::comparison(PredicateExpression::keyPath(keyPath()), operatorType(),
        PredicateExpression::constant(value), tmpl.modifier, tmpl.options);
}

QString PredicateEditorRow::describe() const
{
    if (m_compound)
        return m_compoundBox->currentText();
    return QStringList { m_keyBox->currentText(), m_operatorBox->currentText(), valueText() }.join(
        QLatin1Char('|'));
}

} // namespace vidarium
