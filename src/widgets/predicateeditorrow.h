#pragma once

// One row of the criteria editor: a group ("all"/"any" of the rows below it) or
// a rule (key, operator, value) made from one of the editor's templates. A rule
// loaded from stored criteria gives back its stored value exactly until the user
// changes it, so lossy display forms (1.23 MB, dates to the second) rewrite nothing.
// Threads: main thread.

#include "model/predicate.h"
#include "platform/result.h"
#include "widgets/predicateeditortemplate.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QToolButton;

namespace vidarium {

class PredicateEditorRow : public QWidget
{
    Q_OBJECT
public:
    PredicateEditorRow(
        const QList<PredicateEditorTemplate> *templates, bool compound, QWidget *parent);

    bool isCompound() const { return m_compound; }
    PredicateEditorRow *parentRow() const { return m_parentRow; }
    void setParentRow(PredicateEditorRow *row) { m_parentRow = row; }
    // A group's rows, in order (the editor keeps them).
    QList<PredicateEditorRow *> &childRows() { return m_children; }
    const QList<PredicateEditorRow *> &childRows() const { return m_children; }

    void setDepth(int depth);
    void setRemovable(bool removable);
    void setColumnWidths(int keyWidth, int operatorWidth);
    // The widgets Tab visits, in order.
    QList<QWidget *> focusChain() const;

    // --- Groups --------------------------------------------------------------------------
    CompoundPredicateType compoundType() const;
    void setCompoundType(CompoundPredicateType type);

    // --- Rules ---------------------------------------------------------------------------
    int templateIndex() const { return m_templateIndex; }
    QString keyPath() const;
    bool selectKey(const QString &keyPath);
    PredicateOperatorType operatorType() const;
    bool selectOperator(PredicateOperatorType type);
    // The value as shown; for constants their title, for dates yyyy-MM-dd HH:mm:ss.
    QString valueText() const;
    void setValueText(const QString &text);
    // Shows a comparison that template `templateIndex` accepts.
    void setComparison(int templateIndex, const Predicate &comparison);
    // The comparison the row says; an error when its value cannot be read.
    Result<Predicate> comparison() const;

    // One line: "key|operator|value" or "all"/"any"; for tests and logs.
    QString describe() const;

    QComboBox *keyBox() const { return m_keyBox; }

signals:
    void addRequested(PredicateEditorRow *row, bool group);
    void removeRequested(PredicateEditorRow *row);
    void edited();

private:
    void buildCompound();
    void buildRule();
    void buildButtons();
    void keyChanged();
    void applyTemplate(int templateIndex);
    void makeValueEditor();
    Result<PlistValue> readValue() const;
    const PredicateEditorTemplate &currentTemplate() const;
    void forgetLoadedValue();

    const QList<PredicateEditorTemplate> *m_templates;
    const bool m_compound;
    PredicateEditorRow *m_parentRow = nullptr;
    QList<PredicateEditorRow *> m_children;
    QHBoxLayout *m_layout = nullptr;
    QComboBox *m_compoundBox = nullptr;
    QLabel *m_compoundLabel = nullptr;
    QComboBox *m_keyBox = nullptr;
    QComboBox *m_operatorBox = nullptr;
    QWidget *m_valueEditor = nullptr;
    QToolButton *m_removeButton = nullptr;
    QToolButton *m_addButton = nullptr;
    int m_templateIndex = -1;
    // The stored value and the text it showed as, while the user has not changed it.
    std::optional<PlistValue> m_loadedValue;
    QString m_loadedText;
};

} // namespace vidarium
