#include "settings/HelpPages.h"

namespace helppages {

namespace {

struct Page {
    const char *title;
    const char *resource;
};

constexpr Page kPages[kPageCount] = {
    {"Genre", "11 Genre(Ostrelle)"},
    {"Preferences", "16 Preferences(Ostrelle)"},
    {"ChordPro Editor", "06 ChordPro Editor(Ostrelle)"},
    {"WID Preferences", "15 WID Preferences(Ostrelle)"},
    {"Reference Frame", "20 Reference Frame(Ostrelle)"},
    {"Keyboard Shortcuts", "02 Keyboard Shortcuts(Ostrelle)"},
    {"Notes", "08 Notes(Ostrelle)"},
    {"Three Pages Mode", "12 Three Pages Mode(Ostrelle)"},
    {"Alternate Versions", "19 Alternate Versions(Ostrelle)"},
    {"MIDI", "22 MIDI(Ostrelle)"},
    {"MIDI Out Preferences", "22 MIDI Out Preferences(Ostrelle)---"},
    {"MIDI Event Library", "22 MIDI Event Library(Ostrelle)---"},
    {"MIDI Triggers", "22 MIDI Triggers(Ostrelle)---"},
    {"Hidden Regions", "17 Hidden Regions(Ostrelle)"},
    {"Using External Apps", "18 Using External Apps(Ostrelle)"},
    {"Setlists and Collections", "10 Setlists and Collections(Ostrelle)"},
    {"Tags Assignments", "09 Tags Assignments(Ostrelle)"},
    {"Customize your Display", "13 Customize your Display(Ostrelle)"},
};

bool isPage(qint64 n)
{
    return n >= 1 && n <= kPageCount;
}

} // namespace

QString title(qint64 n)
{
    if (!isPage(n))
        return QStringLiteral("Tolvane Help");
    return QStringLiteral("Tolvane Help - ") + QLatin1String(kPages[n - 1].title);
}

QString resourceName(qint64 n)
{
    if (!isPage(n))
        return QStringLiteral("Tolvane - Full Manual(Ostrelle)---");
    return QString::fromLatin1(kPages[n - 1].resource);
}

QString fileName(qint64 n)
{
    return resourceName(n) + QStringLiteral(".pdf");
}

QStringList formerFileNames()
{
    return {QStringLiteral("Quillory Pro - Full Manual(Ostrelle)---.pdf")};
}

QList<int> allPages()
{
    QList<int> pages;
    for (int n = 1; n <= kPageCount; ++n)
        pages << n;
    pages << 0;
    return pages;
}

QString sourceName(qint64 n)
{
    if (!isPage(n))
        return QStringLiteral("help/manual.md");
    return QStringLiteral("help/page-%1.md").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace helppages
