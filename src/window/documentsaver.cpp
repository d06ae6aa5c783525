#include "documentsaver.h"

#include "document/document.h"
#include "model/definitions.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/panels.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace vidarium {

namespace {

QString text(const char *key)
{
    return Definitions::shared().localizedString(QString::fromLatin1(key));
}

} // namespace

DocumentSaver::DocumentSaver(DocumentWindowController &controller)
    : QObject(&controller)
    , m_controller(controller)
{
}

QString DocumentSaver::closeCheckMessage(const QString &displayName)
{
    return text("SaveDocumentAlertMessageText") + QStringLiteral("“") + displayName
        + QStringLiteral("”?");
}

QString DocumentSaver::closeCheckInformativeText(bool versionAlert)
{
    QString informative = text("SaveDocumentAlertInformativeText");
    if (versionAlert)
        informative += QStringLiteral("\n\n") + text("SaveDocumentOlderAlertInformativeText")
            + QStringLiteral("\n");
    return informative;
}

QMessageBox *DocumentSaver::makeAlert(const QString &name)
{
    auto *alert = new QMessageBox(m_controller.window());
    alert->setObjectName(name);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    return alert;
}

void DocumentSaver::saveDocument(Done done)
{
    if (m_controller.isSheetAttached()) {
        if (done)
            done(false);
        return;
    }
    auto proceed = [this, done] {
        if (m_controller.hasFileLocation())
            saveInPlace(done);
        else
            runSavePanel(done);
    };
    if (m_controller.document().versionAlert())
        askAboutOlderFormat(QStringLiteral("SaveDocumentAlertSaveButtonText"), proceed, done);
    else
        proceed();
}

void DocumentSaver::saveDocumentAs(Done done)
{
    if (m_controller.isSheetAttached()) {
        if (done)
            done(false);
        return;
    }
    auto proceed = [this, done] {
        // The panel opens once the alert is gone.
        QTimer::singleShot(0, this, [this, done] { runSavePanel(done); });
    };
    if (m_controller.document().versionAlert())
        askAboutOlderFormat(QStringLiteral("SaveDocumentAlertSaveDialogButtonText"), proceed, done);
    else
        runSavePanel(done);
}

void DocumentSaver::askAboutOlderFormat(
    const QString &firstButtonKey, std::function<void()> proceed, Done done)
{
    QMessageBox *alert = makeAlert(QStringLiteral("SaveOlderAlert"));
    alert->setIcon(QMessageBox::Critical);
    alert->setText(text("SaveDocumentOlderAlertMessageText"));
    alert->setInformativeText(text("SaveDocumentOlderAlertInformativeText"));
    QPushButton *save = alert->addButton(
        Definitions::shared().localizedString(firstButtonKey), QMessageBox::AcceptRole);
    alert->addButton(text("SaveDocumentAlertCancelButtonText"), QMessageBox::RejectRole);
    alert->setDefaultButton(save);
    connect(alert, &QMessageBox::finished, this, [alert, save, proceed, done](int) {
        if (alert->clickedButton() == save)
            proceed();
        else if (done)
            done(false);
    });
    if (!m_controller.beginSheet(alert) && done)
        done(false);
}

void DocumentSaver::saveInPlace(Done done)
{
    m_controller.prepareForSave();
    const Result<void> saved = m_controller.document().save();
    if (!saved)
        showSaveError(saved.error().message());
    if (done)
        done(saved.ok());
}

bool DocumentSaver::writeTo(const QString &path)
{
    m_controller.prepareForSave();
    const Result<void> written = m_controller.document().writeToPath(path);
    if (!written) {
        showSaveError(written.error().message());
        return false;
    }
    m_controller.setDetachedFromFile(false);
    return true;
}

void DocumentSaver::runSavePanel(Done done)
{
    Panels::Request request;
    request.kind = Panels::Kind::SaveLibrary;
    request.title = tr("Save Library");
    request.suggestedName = m_controller.displayName();
    QPointer<DocumentSaver> self(this);
    Panels::run(m_controller.window(), request, [self, done](const QStringList &paths) {
        if (!self)
            return;
        const bool saved = !paths.isEmpty() && self->writeTo(paths.first());
        if (done)
            done(saved);
    });
}

void DocumentSaver::showSaveError(const QString &message)
{
    QMessageBox *alert = makeAlert(QStringLiteral("SaveErrorAlert"));
    alert->setIcon(QMessageBox::Warning);
    alert->setText(tr("The library could not be saved."));
    alert->setInformativeText(message);
    alert->addButton(QMessageBox::Ok);
    m_controller.beginSheet(alert);
}

void DocumentSaver::runCloseCheck(Done done)
{
    Document &document = m_controller.document();
    if (!document.isDocumentEdited()) {
        done(true);
        return;
    }
    // A window busy with a sheet cannot be asked: it stays open (a quit is then
    // cancelled rather than left waiting for an answer).
    if (m_controller.isSheetAttached()) {
        done(false);
        return;
    }
    QMessageBox *alert = makeAlert(QStringLiteral("CloseCheckAlert"));
    alert->setIcon(QMessageBox::Information);
    alert->setText(closeCheckMessage(m_controller.displayName()));
    alert->setInformativeText(closeCheckInformativeText(document.versionAlert()));
    QPushButton *save = alert->addButton(m_controller.hasFileLocation()
            ? text("SaveDocumentAlertSaveButtonText")
            : text("SaveDocumentAlertSaveDialogButtonText"),
        QMessageBox::AcceptRole);
    QPushButton *cancel
        = alert->addButton(text("SaveDocumentAlertCancelButtonText"), QMessageBox::RejectRole);
    QPushButton *discard
        = alert->addButton(text("SaveDocumentAlertNoSaveButtonText"), QMessageBox::DestructiveRole);
    alert->setDefaultButton(save);
    alert->setEscapeButton(cancel);
    QPointer<DocumentSaver> self(this);
    connect(alert, &QMessageBox::finished, this, [self, alert, save, discard, done](int) {
        QAbstractButton *clicked = alert->clickedButton();
        if (clicked == discard) {
            done(true);
        } else if (clicked == save && self) {
            // The panel, when one is needed, opens once the alert is gone.
            QTimer::singleShot(0, self, [self, done] {
                if (self->m_controller.hasFileLocation())
                    self->saveInPlace(done);
                else
                    self->runSavePanel(done);
            });
        } else {
            done(false);
        }
    });
    m_controller.beginSheet(alert);
}

} // namespace vidarium
