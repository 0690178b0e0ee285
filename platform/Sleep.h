#pragma once
// Suspending the calling thread.

namespace talvern::platform {

// Suspends the calling thread for the given number of milliseconds.
void SleepMs(int milliseconds);

}  // namespace talvern::platform
