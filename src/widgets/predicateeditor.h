#pragma once

// The criteria editor: a tree of rows under one "all"/"any" group, each rule made
// from a row template, converted to and from a Predicate. Criteria that the
// templates cannot show (other keys, NOT, foreign forms) are refused whole rather
// than shown in part, so nothing is ever silently rewritten.
// Threads: main thread.

#include "model/predicate.h"
#include "platform/result.h"
#include "widgets/predicateeditortemplate.h"

#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace vidarium {

class PredicateEditorRow;

class PredicateEditor : public QWidget
{
    Q_OBJECT
public:
    explicit PredicateEditor(QWidget *parent = nullptr);
    ~PredicateEditor() override;

    // Starts over with the new templates: one group and one rule.
    void setRowTemplates(const QList<PredicateEditorTemplate> &templates);
    const QList<PredicateEditorTemplate> &rowTemplates() const { return m_templates; }

    // Whether every part of `predicate` can be shown as rows.
    bool canShow(const Predicate &predicate) const;
    // Shows `predicate`; false, with the rows unchanged, when canShow() is false.
    bool setPredicate(const Predicate &predicate);
    // One group holding one rule of the first template.
    void reset();
    // The criteria the rows say; an error when a value cannot be read (a number
    // field holding text).
    Result<Predicate> predicate() const;

    PredicateEditorRow *rootRow() const { return m_root; }
    // Every row in display order, the root group first.
    QList<PredicateEditorRow *> rows() const;
    // Adds a rule (or a group holding one rule) after `row`, or as the first row of
    // `row` when it is a group.
    PredicateEditorRow *addRow(PredicateEditorRow *row, bool group);
    // Removes a row and the rows under it; the last rule of a group stays.
    void removeRow(PredicateEditorRow *row);
    bool canRemove(const PredicateEditorRow *row) const;

    // The rows as indented text, one per line: what the user sees.
    QString describe() const;

signals:
    // Rows were added, removed or edited.
    void rowsChanged();

private:
    PredicateEditorRow *makeRow(bool compound, PredicateEditorRow *parent, qsizetype position);
    void loadInto(PredicateEditorRow *group, const Predicate &compound);
    int templateFor(const Predicate &comparison) const;
    Result<Predicate> groupPredicate(const PredicateEditorRow *group) const;
    void deleteTree(PredicateEditorRow *row);
    void relayout();
    void computeColumnWidths();

    QList<PredicateEditorTemplate> m_templates;
    QWidget *m_canvas = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    PredicateEditorRow *m_root = nullptr;
    int m_keyWidth = 0;
    int m_operatorWidth = 0;
    // A single comparison was shown under the root group: give it back bare while
    // the rows still say just that.
    bool m_loadedBare = false;
};

} // namespace vidarium
