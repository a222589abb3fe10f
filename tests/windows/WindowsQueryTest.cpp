#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(WindowQueries, NarrowTolvaneWindowShowingItsListHalvesTheTableOfContents)
{
    WindowPDFxSuper wide(0), narrow(0), small(1);
    wide.resize(900, 600);
    narrow.resize(500, 600);
    small.resize(200, 100);
    Data::nsMutaryOfWindows() = {&small, &wide};
    Data::determinerNbTocG();
    EXPECT_EQ(Data::nbTocG(), 36);
    Data::nsMutaryOfWindows().append(&narrow);
    Data::determinerNbTocG();
    EXPECT_EQ(Data::nbTocG(), 18);
    narrow.setHideList(true);
    Data::determinerNbTocG();
    EXPECT_EQ(Data::nbTocG(), 36);

    EXPECT_EQ(Data::getKeyWin(), nullptr);
    narrow.show();
    QApplication::setActiveWindow(&narrow);
    EXPECT_EQ(Data::getKeyWin(), &narrow);
    Data::nsMutaryOfWindows().clear();
}
