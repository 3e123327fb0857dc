// The standard keys and what picture-only controls tell.
#include <gtest/gtest.h>

#include <QTest>

#include "ui/clickable_image.h"
#include "ui/form_du.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class StandardKeysTest : public UiTest {};

TEST_F(StandardKeysTest, EscapeClosesASecondaryWindowAndCtrlQTheProgram) {
    windows_.du->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows_.du.get()));
    QTest::keyClick(windows_.du.get(), Qt::Key_Escape);
    EXPECT_FALSE(windows_.du->isVisible());

    main().show();
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    QTest::keyClick(&main(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(main().isVisible());
}

TEST_F(StandardKeysTest, PictureOnlyControlsSayWhatTheyDoInBothLanguages) {
    for (const bool english : {false, true}) {
        english ? main().ImageENClick() : main().ImageRUClick();
        for (ClickableImage* icon : {main().ImageFI, main().ImageX, Find<ClickableImage>("ImageSA"), Find<ClickableImage>("ImageADD")}) {
            EXPECT_FALSE(icon->toolTip().isEmpty()) << icon->objectName().toStdString();
            EXPECT_EQ(icon->accessibleName(), icon->toolTip()) << icon->objectName().toStdString();
        }
        EXPECT_EQ(main().ImageX->toolTip(), english ? QStringLiteral("stop") : QStringLiteral("остановить"));
    }
}

}  // namespace
}  // namespace quillon::ui::test
