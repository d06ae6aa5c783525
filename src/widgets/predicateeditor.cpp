#include "predicateeditor.h"

#include "widgets/predicateeditorrow.h"

#include <QComboBox>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace vidarium {

namespace {

void collect(PredicateEditorRow *row, int depth, QList<std::pair<PredicateEditorRow *, int>> &out)
{
    out.append({ row, depth });
    for (PredicateEditorRow *child : row->childRows())
        collect(child, depth + 1, out);
}

} // namespace

PredicateEditor::PredicateEditor(QWidget *parent)
    : QWidget(parent)
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PredicateEditorScroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_canvas = new QWidget;
    m_canvas->setBackgroundRole(QPalette::Base);
    m_canvas->setAutoFillBackground(true);
    m_rowsLayout = new QVBoxLayout(m_canvas);
    m_rowsLayout->setContentsMargins(0, 4, 0, 4);
    m_rowsLayout->setSpacing(0);
    scroll->setWidget(m_canvas);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

PredicateEditor::~PredicateEditor() = default;

void PredicateEditor::setRowTemplates(const QList<PredicateEditorTemplate> &templates)
{
    m_templates = templates;
    computeColumnWidths();
    reset();
}

void PredicateEditor::computeColumnWidths()
{
    // Every rule's key and operator menus share widths, so the values line up.
    QComboBox keys;
    QComboBox operators;
    for (const PredicateEditorTemplate &tmpl : std::as_const(m_templates)) {
        keys.addItems(tmpl.titles);
        for (PredicateOperatorType type : tmpl.operators)
            operators.addItem(PredicateEditorTemplate::operatorTitle(type, tmpl.valueKind));
    }
    m_keyWidth = keys.sizeHint().width();
    m_operatorWidth = operators.sizeHint().width();
}

PredicateEditorRow *PredicateEditor::makeRow(
    bool compound, PredicateEditorRow *parent, qsizetype position)
{
    auto *row = new PredicateEditorRow(&m_templates, compound, m_canvas);
    row->setColumnWidths(m_keyWidth, m_operatorWidth);
    row->setParentRow(parent);
    if (parent)
        parent->childRows().insert(qBound<qsizetype>(0, position, parent->childRows().size()), row);
    connect(row, &PredicateEditorRow::addRequested, this,
        [this](PredicateEditorRow *at, bool group) { addRow(at, group); });
    connect(row, &PredicateEditorRow::removeRequested, this,
        [this](PredicateEditorRow *at) { removeRow(at); });
    connect(row, &PredicateEditorRow::edited, this, [this] {
        m_loadedBare = m_loadedBare && m_root && m_root->childRows().size() == 1;
        emit rowsChanged();
    });
    return row;
}

void PredicateEditor::deleteTree(PredicateEditorRow *row)
{
    for (PredicateEditorRow *child : std::as_const(row->childRows()))
        deleteTree(child);
    row->childRows().clear();
    // Later: the row may be deleting itself from its own button's click.
    row->hide();
    row->setParent(nullptr);
    row->deleteLater();
}

void PredicateEditor::reset()
{
    if (m_root)
        deleteTree(m_root);
    m_root = makeRow(true, nullptr, 0);
    if (!m_templates.isEmpty())
        makeRow(false, m_root, 0);
    m_loadedBare = false;
    relayout();
}

int PredicateEditor::templateFor(const Predicate &comparison) const
{
    for (qsizetype t = 0; t < m_templates.size(); ++t)
        if (m_templates.at(t).accepts(comparison))
            return int(t);
    return -1;
}

bool PredicateEditor::canShow(const Predicate &predicate) const
{
    if (predicate.isComparison())
        return templateFor(predicate) >= 0;
    if (!predicate.isCompound() || predicate.compoundType() == CompoundPredicateType::Not
        || predicate.subpredicates().isEmpty())
        return false;
    const QList<Predicate> &subs = predicate.subpredicates();
    return std::all_of(
        subs.begin(), subs.end(), [this](const Predicate &sub) { return canShow(sub); });
}

void PredicateEditor::loadInto(PredicateEditorRow *group, const Predicate &compound)
{
    group->setCompoundType(compound.compoundType());
    for (const Predicate &sub : compound.subpredicates()) {
        PredicateEditorRow *row = makeRow(sub.isCompound(), group, group->childRows().size());
        if (sub.isCompound())
            loadInto(row, sub);
        else
            row->setComparison(templateFor(sub), sub);
    }
}

bool PredicateEditor::setPredicate(const Predicate &predicate)
{
    if (!canShow(predicate))
        return false;
    if (m_root)
        deleteTree(m_root);
    m_root = makeRow(true, nullptr, 0);
    if (predicate.isCompound()) {
        loadInto(m_root, predicate);
    } else {
        loadInto(m_root, Predicate::andPredicate({ predicate }));
    }
    m_loadedBare = predicate.isComparison();
    relayout();
    return true;
}

Result<Predicate> PredicateEditor::groupPredicate(const PredicateEditorRow *group) const
{
    QList<Predicate> subs;
    for (const PredicateEditorRow *row : group->childRows()) {
        VIDARIUM_TRY(Predicate sub, row->isCompound() ? groupPredicate(row) : row->comparison());
        subs.append(std::move(sub));
    }
    return Predicate::compound(group->compoundType(), subs);
}

Result<Predicate> PredicateEditor::predicate() const
{
    VIDARIUM_TRY(Predicate whole, groupPredicate(m_root));
    if (m_loadedBare && whole.compoundType() == CompoundPredicateType::And
        && whole.subpredicates().size() == 1 && whole.subpredicates().first().isComparison())
        return whole.subpredicates().first();
    return whole;
}

QList<PredicateEditorRow *> PredicateEditor::rows() const
{
    QList<std::pair<PredicateEditorRow *, int>> all;
    if (m_root)
        collect(m_root, 0, all);
    QList<PredicateEditorRow *> out;
    for (const auto &[row, depth] : all)
        out.append(row);
    return out;
}

PredicateEditorRow *PredicateEditor::addRow(PredicateEditorRow *row, bool group)
{
    PredicateEditorRow *parent = row->isCompound() ? row : row->parentRow();
    const qsizetype position = row->isCompound() ? 0 : parent->childRows().indexOf(row) + 1;
    PredicateEditorRow *added = makeRow(group, parent, position);
    if (group)
        makeRow(false, added, 0);
    m_loadedBare = false;
    relayout();
    emit rowsChanged();
    return added;
}

bool PredicateEditor::canRemove(const PredicateEditorRow *row) const
{
    return row && row->parentRow() && row->parentRow()->childRows().size() > 1;
}

void PredicateEditor::removeRow(PredicateEditorRow *row)
{
    if (!canRemove(row))
        return;
    row->parentRow()->childRows().removeOne(row);
    deleteTree(row);
    relayout();
    emit rowsChanged();
}

void PredicateEditor::relayout()
{
    while (QLayoutItem *item = m_rowsLayout->takeAt(0))
        delete item;
    QList<std::pair<PredicateEditorRow *, int>> all;
    collect(m_root, 0, all);
    QWidget *previous = nullptr;
    for (const auto &[row, depth] : all) {
        row->setDepth(depth);
        row->setRemovable(canRemove(row));
        m_rowsLayout->addWidget(row);
        row->show();
        // Tab follows the rows as shown, new ones included.
        for (QWidget *widget : row->focusChain()) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
    m_rowsLayout->addStretch(1);
}

QString PredicateEditor::describe() const
{
    QList<std::pair<PredicateEditorRow *, int>> all;
    if (m_root)
        collect(m_root, 0, all);
    QStringList lines;
    for (const auto &[row, depth] : all)
        lines.append(QString(depth * 2, QLatin1Char(' ')) + row->describe());
    return lines.join(QLatin1Char('\n'));
}

} // namespace vidarium
