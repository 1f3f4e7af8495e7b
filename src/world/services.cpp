#include "world/services.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace {

uint32_t CalendarSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void ThreadSleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void NoSound(const char*) {}
void NoSleep(int) {}

uint32_t FixedSeed = 0;
uint32_t FixedClock() { return FixedSeed; }

}  // namespace

HostServices Host = {CalendarSeconds, ThreadSleep, NoSound};

void UseHeadlessHost(uint32_t seed) {
  FixedSeed = seed;
  Host = {FixedClock, NoSleep, NoSound};
}
