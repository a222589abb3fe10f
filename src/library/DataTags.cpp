#include "library/Data.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"

namespace {
const QString kTagStr = QStringLiteral("tagStr");
}

void Data::chargerTags()
{
    QStringList &list = tags();
    list.clear();
    auto &d = platform::UserDefaults::standard();
    const bool stored = d.contains(kTagStr);
    const QString text = stored ? d.stringForKey(kTagStr) : QStringLiteral("⭐️\nPop\nRock\nBlues\nFunk\nJazz");
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            list.append(line);
    }
    if (!stored)
        sauvegarderTags();
}

void Data::sauvegarderTags()
{
    // Before a late read, the list is the built-in one: never over a stored one.
    const platform::UserDefaults::Provisional fallback(platform::UserDefaults::standard());
    QString text;
    for (const QString &tag : tags()) {
        if (!tag.isEmpty())
            text += tag + QLatin1Char('\n');
    }
    platform::UserDefaults::standard().setString(kTagStr, text);
}

void Data::chargerTagsTemp(const std::optional<QString> &words)
{
    QStringList &list = tagsTemp();
    list.clear();
    if (!words) {
        if (!filterString().isEmpty())
            list.append(filterString());
        for (const QString &tag : tags())
            list.append(tag);
        return;
    }
    for (const QString &word : words->split(QLatin1Char(' '))) {
        if (!word.isEmpty())
            list.append(word);
    }
}

void Data::listerTags()
{
    for (const QString &tag : tags())
        TLOG(QStringLiteral("Data listerTags %1").arg(tag));
}
