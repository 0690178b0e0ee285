#include "platform/Sleep.h"

#include <chrono>
#include <thread>

namespace talvern::platform {

void SleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace talvern::platform
