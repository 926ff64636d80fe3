// frame_x11.h - the gauge window's frame under an X11 window manager.
//
// limitFrameToMoveAndClose asks the window manager, through the Motif hints
// that X11 window managers read, for a title bar with a close box and
// nothing else: the gauge can be moved and closed, not minimised, maximised
// or resized. Call it before the window is first shown. Does nothing on any
// other video driver.
#pragma once

struct SDL_Window;

void limitFrameToMoveAndClose(SDL_Window* window);
