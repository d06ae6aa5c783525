#pragma once

// What the window tests share: the process-wide test settings (a temporary
// INI file, emptied before each test), a dispatcher whose import tools hold
// their work until told, libraries built in memory or as packages, and waiting
// for the event loop.
// Threads: main thread.

#include "import/dispatchcontroller.h"
#include "import/importtool.h"
#include "model/mediaelement.h"
#include "testsupport.h"

#include <QString>

#include <functional>
#include <memory>

class QPixmap;

namespace vidarium {
class Document;
class DocumentController;
class UserDefaults;
} // namespace vidarium

namespace vidarium::test {

// The settings every window test runs against (set up by the test main).
UserDefaults &testDefaults();
// Empties the test settings and seeds them from the shipped table.
void resetTestDefaults(bool seed = true);

// Runs the event loop until `condition` holds or the time is up.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);
// Lets queued events run.
void processEvents(int rounds = 3);
// Writes a picture for review to build/screenshots/<folder>/<name>.png.
void saveScreenshot(const QPixmap &picture, const QString &folder, const QString &name);

// An import tool that keeps what it is given and reports nothing.
class HoldingTool : public ImportTool
{
public:
    void importElements(const ImportElements &elements, const DispatchOptions &) override
    {
        held += elements.size();
    }
    void importElements(const ImportElements &elements, const DispatchOptions &, ImageType) override
    {
        held += elements.size();
    }
    void cancelOperationsWithOwner(const QString &) override { ++cancels; }
    void updateMaximumOperations() override { }
    qsizetype held = 0;
    int cancels = 0;
};

// A dispatcher over the test settings with holding tools and no desktop.
std::unique_ptr<DispatchController> makeTestDispatcher();

// Adds `count` elements with realistic paths (complete, so nothing is
// dispatched), ratings 0 to 5 and names "Clip 0001"... to the document.
MediaElementList addElements(Document &document, int count, int firstIndex = 0);
// Saves a library of `count` elements as a package under `folder`; returns its path.
QString makePackage(const QString &folder, const QString &name, int count = 3);

} // namespace vidarium::test
