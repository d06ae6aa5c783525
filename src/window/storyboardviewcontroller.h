#pragma once

// The storyboard and player pane: the storyboard of the one selected element
// and, while a movie plays, the player in its place.
// Threads: main thread.

#include "window/panecontroller.h"

namespace vidarium {

class StoryboardViewController : public PaneController
{
    Q_OBJECT
public:
    explicit StoryboardViewController(Document &document, QObject *parent = nullptr);

    // Whether the player is showing (the stop command is then available).
    bool playerViewEnabled() const { return m_playerViewEnabled; }

    void playMovie();
    void stopMovie();
    void resizeForMovie();
    void resizeForStoryboard();

private:
    bool m_playerViewEnabled = false;
};

} // namespace vidarium
