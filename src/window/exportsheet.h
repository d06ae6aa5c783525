#pragma once

// The export panel of the library window: which elements to export (the whole
// library, the selected collection, the listed items or the selected items,
// each with its count), then the file or folder panel, then the writing with
// its progress and a Cancel button. An export that could not be written ends
// with `failed` and its reason, which the window shows in an alert.
// Threads: main thread.

#include "document/documentexport.h"

#include <QDialog>
#include <QPointer>

class QButtonGroup;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace vidarium {

class DocumentWindowController;
class ExportJob;

class ExportSheet : public QDialog
{
    Q_OBJECT
public:
    // `kind` as DocumentExport's kinds; `baseName` names the suggested text file.
    ExportSheet(MediaLibrary &library, int kind, DocumentExport::WindowState window,
        const QString &baseName, QWidget *parent);
    ~ExportSheet() override;

    // The export command of the window: the sheet on the window, an alert when
    // it fails. Kinds that are none of DocumentExport's do nothing.
    static void run(DocumentWindowController &window, int kind);

    int kind() const { return m_kind; }
    int exportRange() const { return m_range; }
    void setExportRange(int range);
    // The elements of the current range in the window's order.
    MediaElementList elements() const;
    ExportJob *job() const { return m_job; }
    QButtonGroup *rangeControl() const { return m_rangeGroup; }
    QProgressBar *progressBar() const { return m_progress; }

    // The panel for the target; on confirmation the writing starts.
    void chooseTarget();
    // Starts writing to `path` (a file for text, a folder for images).
    void startExport(const QString &path);
    void cancelButtonAction();
    // Escape while writing cancels the writing instead of leaving it behind.
    void reject() override;

signals:
    void failed(const QString &message);

private:
    QWidget *buildRangePage();
    QWidget *buildProgressPage();
    QString title() const;
    void exportFinished();

    QPointer<MediaLibrary> m_library;
    int m_kind;
    DocumentExport::WindowState m_window;
    QString m_baseName;
    int m_range = DocumentExport::AllElements;
    QStackedWidget *m_pages = nullptr;
    QButtonGroup *m_rangeGroup = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_progressLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    ExportJob *m_job = nullptr;
};

} // namespace vidarium
