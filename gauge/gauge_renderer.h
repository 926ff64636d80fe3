// gauge_renderer.h - drawGauge: one complete picture of the instrument.
//
// Stacks the sprites of gaugeArtwork from instrumentState and
// settings.lightEnabled, through the sprite compositor, and presents the frame.
// Main thread only. The back buffer is never cleared between frames.
#pragma once

// Degrees of needle turn per unit of deflection; start-up sets them to
// -23/127 and +23/127 (setNeedleScales) before the first frame.
extern float locScale;
extern float gsScale;

void setNeedleScales();
void drawGauge();
