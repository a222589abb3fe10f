#pragma once

#include <QApplication>
#include <memory>

// A run with no one at the screen (tests, benchmarks, fuzzers): offscreen
// windows and loopback MIDI unless the environment names others, the bundled
// resources and fonts, and an in-memory user-defaults store, so that nothing
// depends on the machine's screens, fonts, devices or settings. argc must
// outlive the application.
std::unique_ptr<QApplication> makeHeadlessApplication(int &argc, char **argv);

// Puts every folder the program reads or writes as its own (data, config,
// cache, state, runtime) under `root`, so that such a run never touches the
// folders of the user running it. Folders already in the temporary folder stay:
// a test's child started in a throw-away home of its own keeps that home.
void useThrowAwayFolders(const QString &root);
