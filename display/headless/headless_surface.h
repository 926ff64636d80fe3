// headless_surface.h - controls of the windowless display backend, for tests
// and tools: events to hand out, the window's position, and what was presented.
#pragma once

#include <cstdint>

// Queues an event for pollEvent, by the same rule as a real window: an event
// equal to the newest one still queued is not queued again.
void headlessQueueEvent(int event);
// Where windowPosition reports the window to be.
void headlessSetWindowPosition(int32_t x, int32_t y);
// Number of presentFrame calls since the surface opened.
int headlessPresentCount();
// Make openGaugeWindow or openSurface fail, to test the failure path.
void headlessFailNextOpen(bool window, bool surface);
// Last message box shown (caption and text), or empty strings.
const char* headlessLastMessageCaption();
const char* headlessLastMessageText();
