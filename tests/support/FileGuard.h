// The guard below Qt (FileGuard.cpp), for the test support and the guard's own test.
#pragma once

namespace testsupport {

// Whether a FixtureFiles scope is open on this thread.
bool fixtureFilesUnderWay();

// Whether this build can tell the program's calls from the test's (a sanitizer's symbolizer).
bool guardBelowQtCanRun();

// Fails the current test with each call the guard kept since the test began,
// and starts anew; each test's end does this by itself.
void failOnFileCallsBelowQt();

// Inside it, the test's own calls count as the program's would: the guard's own test.
class TestCallsCount {
public:
    TestCallsCount();
    ~TestCallsCount();
    TestCallsCount(const TestCallsCount &) = delete;
    TestCallsCount &operator=(const TestCallsCount &) = delete;
};

} // namespace testsupport
