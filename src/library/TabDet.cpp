#include "library/TabDet.h"

#include "library/Data.h"
#include "platform/UserDefaults.h"

TabDet::TabDet(qint64 dirNo, qint64 tabNo)
    : dirNo(dirNo), tabNo(tabNo)
{
    if (tabNo == 0) {
        tabName = QStringLiteral("All");
        tabSort = ByTitle;
        tabSortAlt = ByArtist;
    }
}

QString TabDet::key(const char *field, qint64 dirNo, qint64 tabNo)
{
    return QStringLiteral("%1%2%3").arg(QString::number(dirNo), QLatin1String(field), QString::number(tabNo));
}

void TabDet::load()
{
    if (tabNo == 0 || dirNo < 0)
        return;
    auto &d = platform::UserDefaults::standard();
    const QString nameKey = key("TabName", dirNo, tabNo);
    if (!d.contains(nameKey)) {
        tabName.clear();
        return;
    }
    tabName = d.stringForKey(nameKey);
    list = d.stringForKey(key("list", dirNo, tabNo));
    auto ranged = [](qint64 v, qint64 max) { return (v < 0 || v > max) ? 0 : v; };
    tabSort = ranged(d.integerForKey(key("TabSort", dirNo, tabNo)), 5);
    tabSortAlt = ranged(d.integerForKey(key("TabSortAlt", dirNo, tabNo)), 5);
    optSel = ranged(d.integerForKey(key("OptSel", dirNo, tabNo)), 3);
    lookInto = ranged(d.integerForKey(key("LookInto", dirNo, tabNo)), 4);
    if (optSel == Setlist)
        lookInto = 0;
    const QString prefixKey = key("TabPrefix", dirNo, tabNo);
    tabPrefix = (tabSort == ByTagPrefix && d.contains(prefixKey)) ? d.stringForKey(prefixKey) : QString();
    const QString prefixAltKey = key("TabPrefixAlt", dirNo, tabNo);
    tabPrefixAlt = (tabSortAlt == ByTagPrefix && d.contains(prefixAltKey)) ? d.stringForKey(prefixAltKey) : QString();
}

void TabDet::save(bool nameOnly) const
{
    if (dirNo < 0 || tabNo == 0)
        return;
    auto &d = platform::UserDefaults::standard();
    platform::UserDefaults::Batch batch(d);
    d.setString(key("TabName", dirNo, tabNo), tabName);
    if (nameOnly)
        return;
    d.setString(key("list", dirNo, tabNo), list);
    d.setInteger(key("OptSel", dirNo, tabNo), optSel);
    d.setInteger(key("TabSort", dirNo, tabNo), tabSort);
    d.setInteger(key("TabSortAlt", dirNo, tabNo), tabSortAlt);
    d.setInteger(key("LookInto", dirNo, tabNo), lookInto);
    d.setString(key("TabPrefix", dirNo, tabNo), tabPrefix);
    d.setString(key("TabPrefixAlt", dirNo, tabNo), tabPrefixAlt);
}

void Data::chargerTabsForDirNo(qint64 dirNo, bool initOnly)
{
    QList<TabDetPtr> &list = tabs();
    list.clear();
    for (qint64 n = 0; n < kTabs; ++n) {
        auto tab = std::make_shared<TabDet>(dirNo, n);
        if (!initOnly)
            tab->load();
        list.append(tab);
    }
}
