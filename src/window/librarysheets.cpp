#include "window/librarysheets.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemsviewcontroller.h"
#include "window/librarysettingssheet.h"
#include "window/statisticssheet.h"

#include <QPointer>

namespace vidarium {

QDialog *makeLibrarySheet(DocumentWindowController &window, const QString &action)
{
    QDialog *sheet = nullptr;
    if (action == QLatin1String("showDocumentDefaultsSheet:")) {
        sheet = new LibrarySettingsSheet(window.document(), window.window());
    } else if (action == QLatin1String("showStatisticsSheet:")) {
        // Each range is asked of the window when shown: the lists of the others
        // are never built.
        QPointer<DocumentWindowController> owner(&window);
        QPointer<MediaLibrary> library(&window.document().library());
        auto elements = [owner, library](int range) -> MediaElementList {
            if (!owner || !library)
                return {};
            switch (range) {
            case DocumentExport::AllElements:
                return library->media().values();
            case DocumentExport::SelectedCollection: {
                // With nothing filtered out the listed items are the collection's
                // elements, already gathered; asking the collection again would
                // evaluate it afresh.
                const ItemsViewController *items = owner->itemsViewController();
                MediaElementList listed = owner->arrangedElements();
                if (listed.size() == items->model()->contentCount())
                    return listed;
                return owner->selectedNodeElements();
            }
            case DocumentExport::ArrangedItems:
                return owner->arrangedElements();
            case DocumentExport::SelectedItems:
                return owner->selectedElements();
            default:
                return {};
            }
        };
        sheet = new StatisticsSheet(std::move(elements), window.window());
    }
    if (sheet)
        sheet->setAttribute(Qt::WA_DeleteOnClose);
    return sheet;
}

} // namespace vidarium
