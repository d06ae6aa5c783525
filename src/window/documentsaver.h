#pragma once

// Saving and closing one library window: Save (asking first when the library
// came from an older format), Save As through the save panel, and the close
// check that offers Save, Cancel and Don't Save for unsaved changes. Every
// question is a sheet on the window.
// Threads: main thread.

#include <QObject>
#include <QString>

#include <functional>

class QMessageBox;

namespace vidarium {

class DocumentWindowController;

class DocumentSaver : public QObject
{
    Q_OBJECT
public:
    // The answer to a save or a close check: true when it was saved / may close.
    using Done = std::function<void(bool)>;

    explicit DocumentSaver(DocumentWindowController &controller);

    // saveDocument: with a package a plain save, without one the save panel.
    void saveDocument(Done done = {});
    void saveDocumentAs(Done done = {});
    // canCloseDocument: answers at once without unsaved changes, else asks.
    void runCloseCheck(Done done);

    // The texts of the close check.
    static QString closeCheckMessage(const QString &displayName);
    static QString closeCheckInformativeText(bool versionAlert);
    // Saves to `path` now (Save As answers), reporting a failure in a sheet.
    bool writeTo(const QString &path);

private:
    void askAboutOlderFormat(
        const QString &firstButtonKey, std::function<void()> proceed, Done done);
    void saveInPlace(Done done);
    void runSavePanel(Done done);
    void showSaveError(const QString &message);
    QMessageBox *makeAlert(const QString &name);

    DocumentWindowController &m_controller;
};

} // namespace vidarium
