#pragma once

// Opening a large library: while a MediaElementDecodingScope is alive on a thread,
// elements decoded there receive their paths when the scope ends, on two threads at
// once. Applying a path looks its volume up on disk, which is much of the time a
// catalogue of many elements takes to open, and those lookups are independent.
// Threads: a scope belongs to the thread that made it; nested scopes join the
// outermost one.

namespace vidarium {

class MediaElementDecodingScope
{
public:
    MediaElementDecodingScope();
    // Applies the paths held back; the elements are kept alive until then.
    ~MediaElementDecodingScope();
    MediaElementDecodingScope(const MediaElementDecodingScope &) = delete;
    MediaElementDecodingScope &operator=(const MediaElementDecodingScope &) = delete;

private:
    bool m_outermost = false;
};

} // namespace vidarium
