#pragma once
#include <chrono>

namespace pindle {

// The time a batch waits by when a service asks it to wait. Real time in the program; tests make
// it run faster, so that waits of seconds pass in milliseconds while every wait is still
// measured, reported and ordered as the service asked.
using BatchClock = std::chrono::steady_clock;

BatchClock::time_point BatchNow();
// How long to block the thread for `wait` of batch time (at least 1 ms when `wait` is not 0).
std::chrono::milliseconds RealTimeFor(std::chrono::milliseconds wait);
// Batch time runs this many times faster than real time from now on (1: real time).
void SetBatchClockSpeed(int timesFaster);

}  // namespace pindle
