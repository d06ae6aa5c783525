#pragma once

// One export of a library's elements: the range chosen (all elements, the
// selected collection, the listed items or the selected items), put in the
// window's sort order, written as one tab-delimited text file or as one JPEG per
// element of one image kind. The panels that choose the range and the target
// belong to the window and call this; the command line calls it directly.
// Threads: main thread.

#include "model/documentdefaults.h"
#include "model/imagekinds.h"
#include "model/mediaelement.h"
#include "platform/result.h"

#include <QString>

namespace vidarium {

class MediaLibrary;

class DocumentExport
{
public:
    // The values of exportRange.
    enum Range { AllElements = 1, SelectedCollection = 2, ArrangedItems = 3, SelectedItems = 4 };
    // The kinds of exportFiles.
    enum Kind { Database = 1, Posters = 2, Thumbnails = 3, Filmstrips = 4, Storyboards = 5 };

    // What the window shows when the export starts: the selected collection's
    // elements, the listed items after filters and search, the selected items, and
    // the order the items are sorted in.
    struct WindowState
    {
        MediaElementList selectedNodeElements;
        MediaElementList arrangedElements;
        MediaElementList selectedElements;
        SortDescriptorList sortDescriptors;
    };

    // exportRange starts at AllElements.
    explicit DocumentExport(MediaLibrary &library, WindowState window = {});

    int exportRange() const { return m_exportRange; }
    void setExportRange(int range) { m_exportRange = range; }

    // The elements of the current range in the window's sort order; none for a
    // range that is not one of the four.
    MediaElementList elements() const;

    // exportFiles: the text file at path for Database, else the images into the
    // folder at path. Any other kind does nothing.
    Result<void> exportFiles(int kind, const QString &path);
    // exportDatabase: the header and one row per element, written atomically.
    Result<void> exportDatabase(const QString &path);
    // exportPosters and the rest: one file per element that has the image, named
    // by uniqueFileForElement. Returns how many files were written; a file that
    // cannot be written is left out (and removed if begun) and the rest go on.
    Result<int> exportImages(ElementImage image, const QString &folder);

    // The first of name.jpg, name_1.jpg, name_2.jpg, ... that does not exist in folder.
    static QString uniqueFileForElement(const MediaElement &element, const QString &folder);
    // The same for an element's name taken earlier; touches no element, so a
    // writer thread may call it.
    static QString uniqueFileForName(const QString &name, const QString &folder);
    // Sorted by the descriptors in turn (their key paths, directions and comparisons);
    // elements that compare the same keep their order.
    static MediaElementList sortedElements(
        const MediaElementList &elements, const SortDescriptorList &descriptors);

private:
    MediaLibrary &m_library;
    WindowState m_window;
    int m_exportRange = AllElements;
};

} // namespace vidarium
