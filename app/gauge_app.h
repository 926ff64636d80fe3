// gauge_app.h - the program's start-up, main loop and shutdown.
//
// runGaugeApp() is the whole life of the gauge on the main thread; the
// platform entry point (app/win32, app/posix) calls it and then ends the
// process with exit code 0, whatever happened.
#pragma once

extern const char* const VersionText; // "1.01"
extern const char* const WindowTitle; // "VOR Tavrin - 1.01"
extern const char* const FailureCaption;
extern const char* const FailureText; // Windows-1252 bytes

constexpr unsigned PassPauseMilliseconds = 10;

// Runs start-up, the main loop until the close event, and the shutdown.
// Returns false when start-up failed (the message was shown, nothing saved).
bool runGaugeApp();

// One pass of the main loop; returns true when the loop must end after it.
// Exposed for tests of the pass logic.
bool runMainLoopPass();
