#include "storyboardviewcontroller.h"

namespace vidarium {

StoryboardViewController::StoryboardViewController(Document &document, QObject *parent)
    : PaneController(QStringLiteral("StoryboardView"), document, parent)
{
    setView(placeholderView(tr("Storyboard")));
}

void StoryboardViewController::playMovie()
{
}

void StoryboardViewController::stopMovie()
{
    if (!m_playerViewEnabled)
        return;
    m_playerViewEnabled = false;
    emit stateChanged();
}

void StoryboardViewController::resizeForMovie()
{
}

void StoryboardViewController::resizeForStoryboard()
{
}

} // namespace vidarium
