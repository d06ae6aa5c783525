#include "detailviewcontroller.h"

namespace vidarium {

DetailViewController::DetailViewController(Document &document, QObject *parent)
    : PaneController(QStringLiteral("DetailView"), document, parent)
{
    setView(placeholderView(tr("Details")));
}

} // namespace vidarium
