#pragma once

// The detail inspector pane: the properties, comments, keywords and poster of
// the selected elements.
// Threads: main thread.

#include "window/panecontroller.h"

namespace vidarium {

class DetailViewController : public PaneController
{
    Q_OBJECT
public:
    explicit DetailViewController(Document &document, QObject *parent = nullptr);
};

} // namespace vidarium
