// Hints (tooltips) of the whole program: shown after 2000 ms, and switched off altogether when the user
// turns hints off.
#pragma once

// Installs the delay and the on/off switch on the application; safe to call more than once.
void InstallHintControl();
void SetHintsShown(bool Shown);
bool HintsShown();
