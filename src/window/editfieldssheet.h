#pragma once

// The sheet that sets user field values and comments of several elements at
// once: one row per active field (check box, value) and the comments below.
// Only ticked rows are written; a row whose elements differ shows "Multiple
// Values" until it is ticked or typed into. Large selections are compared on a
// worker while the sheet is already up.
// Threads: main thread.

#include "model/mediaelement.h"
#include "window/fieldvalues.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vidarium {

class Document;

class EditFieldsSheet : public QDialog
{
    Q_OBJECT
public:
    static QString multipleValuesText();
    static QString newValueText();

    // Takes `elements` now; later changes of the window's selection do not matter.
    EditFieldsSheet(Document &document, const MediaElementList &elements, QWidget *parent);
    ~EditFieldsSheet() override;

    // Selections of at least this many elements are compared on a worker.
    static void setWorkerThreshold(int elements);
    // False while a worker still compares the values (the rows are off meanwhile).
    bool isReady() const { return m_ready; }

    QStringList fieldIdentifiers() const;
    QCheckBox *checkBox(const QString &field) const;
    QLineEdit *valueField(const QString &field) const;
    bool isMultiple(const QString &field) const;
    QCheckBox *commentsCheckBox() const { return m_commentsCheck; }
    QPlainTextEdit *commentsField() const { return m_comments; }
    QLabel *summaryLabel() const { return m_summary; }

    // What OK writes: the ticked fields' values, and the comments when ticked.
    PlistDictionary valuesToWrite() const;
    void okButtonAction();
    void cancelButtonAction();

signals:
    // The values are compared and shown.
    void ready();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    struct Row
    {
        QString field;
        bool multiple = false;
        QString original;
        QCheckBox *check = nullptr;
        QLineEdit *edit = nullptr;
        bool userDeleted = false;
        // The field's values in the library, gathered at the first keystroke.
        std::optional<QStringList> completions;
    };

    void buildLayout();
    void addRow(int index, const QString &field, const QString &label);
    void startComparing();
    void showValues(const QList<FieldValues::Summary> &summaries);
    void rowToggled(Row &row, bool checked);
    void rowEdited(Row &row, const QString &text);
    QStringList completionsFor(Row &row, const QString &prefix);
    void commentsToggled(bool checked);
    void commentsEdited();
    void applyValues(const PlistDictionary &values);
    Row *rowForField(const QString &field);
    const Row *rowForField(const QString &field) const;

    QPointer<Document> m_document;
    MediaElementList m_elements;
    QList<Row> m_rows;
    QGridLayout *m_grid = nullptr;
    QCheckBox *m_commentsCheck = nullptr;
    QPlainTextEdit *m_comments = nullptr;
    QLabel *m_summary = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    bool m_commentsMultiple = false;
    QString m_commentsOriginal;
    bool m_settingComments = false;
    bool m_ready = false;
};

} // namespace vidarium
