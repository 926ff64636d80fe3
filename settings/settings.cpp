// settings.cpp - placeholder until the settings file is built: defaults only.
#include "settings/settings.h"

Settings settings;

void loadSettings() {}
void saveSettings() {}
