// link_threads.cpp - placeholder until the simulator link is built: no link.
#include "simlink/link_threads.h"

void startLinkThreads() {}
void supervisePoller() {}
