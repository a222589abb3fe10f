#pragma once

// Registers the bundled resources (fonts, sample song, help, chord libraries,
// sounds) compiled into the program. Safe to call more than once.
void initTolvaneResources();
