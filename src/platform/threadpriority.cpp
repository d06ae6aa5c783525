#include "platform/threadpriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vidarium {

namespace {

// Enough for the window's thread to get about ten times the share of each
// background thread when they compete, without starving the import when the
// window is idle (then nothing competes and the import runs at full speed).
constexpr int BackgroundNice = 10;

} // namespace

void lowerCurrentThreadPriority()
{
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    // Only ever lowered: a thread already nicer than this keeps its value.
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current < BackgroundNice)
        (void)::setpriority(PRIO_PROCESS, thread, BackgroundNice);
}

} // namespace vidarium
