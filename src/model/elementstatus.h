#pragma once

// How far an element's import got, as the status column, the list command and
// criteria on "status" see it. The numbers are what criteria compare and
// definitions store: never renumber them.
// Threads: plain constants.

namespace vidarium {

enum class ElementStatus : int {
    Complete = 0, // properties and every image
    ImagesMissing = 1, // properties and some of the images
    PropertiesOnly = 2,
    NotRead = 3,
    Failed = 4, // a tool could not read the file
    FileMissing = 5,
};

} // namespace vidarium
