#include "windows/WindowFactory.h"

#include "platform/Log.h"
#include "windows/WindowJauge.h"
#include "windows/WindowMini.h"
#include "windows/WindowPDFx.h"
#include "windows/WindowTitle.h"
#include "windows/WindowTrackTime.h"

#include <QHash>
#include <initializer_list>

namespace windowfactory {

namespace {

using Make = WindowPDFxSuper *(*)(qint64 winType);

// A class of one window type.
template <typename Window>
WindowPDFxSuper *make(qint64 /*winType*/)
{
    return new Window;
}

// A class serving several window types, which takes the type.
template <typename Window>
WindowPDFxSuper *makeTyped(qint64 winType)
{
    return new Window(winType);
}

constexpr quint32 types(std::initializer_list<int> list)
{
    quint32 bits = 0;
    for (int t : list)
        bits |= 1u << t;
    return bits;
}

struct ClassRow {
    const char *name;
    quint32 types; // bit n for window type n
    Make make;     // nullptr until the class is built
};

// One row per window class. The classes of this folder are made here; a class
// of a subsystem above the document windows (the chord strip) is handed in at
// start-up through setCreator, and its row names it meanwhile.
const ClassRow kClasses[] = {
    {"WindowPDFx", types({0}), make<WindowPDFx>},
    {"WindowMini", types({1}), make<WindowMini>},
    {"WindowTitle", types({2, 4, 5, 8, 9, 10, 11, 12, 13, 15, 16}), makeTyped<WindowTitle>},
    {"WindowTrackTime", types({3, 6}), makeTyped<WindowTrackTime>},
    {"WindowJauge", types({7}), make<WindowJauge>},
    {"WindowChords", types({14}), nullptr},
};

const ClassRow *rowFor(qint64 winType)
{
    if (winType < 0 || winType > 16)
        return nullptr;
    for (const ClassRow &row : kClasses)
        if (row.types & (1u << winType))
            return &row;
    return nullptr;
}

QHash<qint64, ScopedCreator::Creator> &overrides()
{
    static QHash<qint64, ScopedCreator::Creator> table;
    return table;
}

QHash<qint64, ScopedCreator::Creator> &handedIn()
{
    static QHash<qint64, ScopedCreator::Creator> table;
    return table;
}

} // namespace

QString className(qint64 winType)
{
    const ClassRow *row = winType >= 1 && winType <= 16 ? rowFor(winType) : nullptr;
    return QString::fromLatin1(row ? row->name : kClasses[0].name);
}

WindowPDFxSuper *create(qint64 winType)
{
    WindowPDFxSuper *window = nullptr;
    if (const auto it = overrides().constFind(winType); it != overrides().cend() && *it) {
        window = (*it)();
    } else if (const auto given = handedIn().constFind(winType); given != handedIn().cend() && *given) {
        window = (*given)();
    } else if (const ClassRow *row = rowFor(winType); row && row->make) {
        window = row->make(winType);
    } else {
        TLOG(QStringLiteral("Data newWindowPDFx: no window class for type %1 (%2)")
                 .arg(QString::number(winType), row ? QString::fromLatin1(row->name) : QStringLiteral("none")));
        return nullptr;
    }
    if (!window)
        return nullptr;
    // The type decides the colour and option defaults, so it comes first.
    window->setWinType(winType);
    window->windowDidLoad();
    return window;
}

void setCreator(qint64 winType, ScopedCreator::Creator creator)
{
    handedIn().insert(winType, std::move(creator));
}

ScopedCreator::ScopedCreator(qint64 winType, Creator creator)
    : winType_(winType), previous_(overrides().value(winType))
{
    overrides().insert(winType, std::move(creator));
}

ScopedCreator::~ScopedCreator()
{
    if (previous_)
        overrides().insert(winType_, previous_);
    else
        overrides().remove(winType_);
}

} // namespace windowfactory
