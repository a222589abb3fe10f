#pragma once

#include <QString>
#include <functional>

class WindowPDFxSuper;

// Document windows by window type: the class of each type and the name of
// its interface description. A type whose class is not built is refused.
namespace windowfactory {

// The interface-description name of a type's class; "WindowPDFx" outside 1-16.
QString className(qint64 winType);

// A new window of the type with winType set and windowDidLoad run, not yet
// shown; nullptr (and one log line) for a type outside 0-16 or whose class
// is not built.
WindowPDFxSuper *create(qint64 winType);

// Hands in the class of a type whose window lives above this folder (the
// chord strip, type 14); set once at start-up.
void setCreator(qint64 winType, std::function<WindowPDFxSuper *()> creator);

// Replaces the class of one type while it lives (the tests' stand-in windows).
class ScopedCreator {
public:
    using Creator = std::function<WindowPDFxSuper *()>;
    ScopedCreator(qint64 winType, Creator creator);
    ~ScopedCreator();
    ScopedCreator(const ScopedCreator &) = delete;
    ScopedCreator &operator=(const ScopedCreator &) = delete;

private:
    qint64 winType_;
    Creator previous_;
};

} // namespace windowfactory
