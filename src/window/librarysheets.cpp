#include "window/librarysheets.h"

#include "document/document.h"
#include "window/documentwindowcontroller.h"
#include "window/librarysettingssheet.h"
#include "window/statisticssheet.h"

namespace vidarium {

QDialog *makeLibrarySheet(DocumentWindowController &window, const QString &action)
{
    QDialog *sheet = nullptr;
    if (action == QLatin1String("showDocumentDefaultsSheet:")) {
        sheet = new LibrarySettingsSheet(window.document(), window.window());
    } else if (action == QLatin1String("showStatisticsSheet:")) {
        DocumentExport::WindowState state { window.selectedNodeElements(),
            window.arrangedElements(), window.selectedElements(), {} };
        sheet = new StatisticsSheet(window.document().library(), std::move(state), window.window());
    }
    if (sheet)
        sheet->setAttribute(Qt::WA_DeleteOnClose);
    return sheet;
}

} // namespace vidarium
