#pragma once

class QString;

// Registers the bundled resources (fonts, sample song, help, chord libraries,
// sounds) compiled into the program. Safe to call more than once.
void initTolvaneResources();

// What every run needs once its QApplication exists: the bundled resources and
// fonts, and the user-defaults store at the path (empty: a fresh one in memory).
void initTolvaneRun(const QString &defaultsDatabasePath);
