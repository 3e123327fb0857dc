// The confirmation window and the self-closing information window.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/clickable_image.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using MessageWindowsTest = UiTest;

TEST(YesNoTextTest, TrimsAndBreaksAtBars) {
    const std::tuple<const char*, char, const char*> cases[] = {
        {"  first|second  ", 'r', "first\nsecond"},
        {"one|two|three", 'e', "one\ntwo\nthree"},
        {"no bar", 'r', "no bar"},
        {"a\r\nb", 'r', "a\nb"},
        {"   ", 'r', "Вы действительно хотите\nудалить текущую запись?"},
        {"", 'e', "Do you really want\nto delete this record?"},
    };
    for (const auto& [text, language, shown] : cases)
        EXPECT_EQ(TFormYesNo::ShownText(QString::fromUtf8(text), language), QString::fromUtf8(shown)) << text;
}

// Runs `act` on the window once it is up, then returns what Ask returned.
template <class Act>
void WhenUp(Act act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

TEST_F(MessageWindowsTest, AskUsesTheLanguageCaptionsAndAnswersYesOnlyForYes) {
    yesNo().SetLanguageChar('r');
    ModalSeen& russian = AnswerNextModal(true);
    EXPECT_TRUE(yesNo().Ask("Перезаписать?", &main()));
    EXPECT_EQ(russian.yes, QStringLiteral("да"));
    EXPECT_EQ(russian.no, QStringLiteral("нет"));

    yesNo().SetLanguageChar('e');
    ModalSeen& english = AnswerNextModal(false);
    EXPECT_FALSE(yesNo().Ask("Override?", &main()));
    EXPECT_EQ(english.yes, "yes");
    EXPECT_EQ(english.no, "no");

    WhenUp([](QWidget* modal) { modal->close(); });  // closed any other way: no
    EXPECT_FALSE(yesNo().Ask("Override?", &main()));
}

TEST_F(MessageWindowsTest, AskWithCaptionsKeepsTheGivenCaptionsInEitherLanguage) {
    for (const char language : {'r', 'e'}) {
        yesNo().SetLanguageChar(language);
        ModalSeen& seen = AnswerNextModal(false);
        EXPECT_FALSE(yesNo().AskWithCaptions("какой файл открыть?|второй ряд", QStringLiteral("исходный"),
                                             QStringLiteral("результат"), &main(), 'y'));
        EXPECT_EQ(seen.text, QStringLiteral("какой файл открыть?\nвторой ряд"));
        EXPECT_EQ(seen.yes, QStringLiteral("исходный"));
        EXPECT_EQ(seen.no, QStringLiteral("результат"));
        EXPECT_EQ(yesNo().LanguageChar(), language);  // restored after the call
    }
}

TEST_F(MessageWindowsTest, DefaultButtonAndCentring) {
    main().setGeometry(100, 100, 800, 600);
    for (const char defaultButton : {'y', 'n'}) {
        bool focusOnYes = false;
        QRect own, owner;
        WhenUp([&](QWidget* modal) {
            focusOnYes = modal->focusWidget() == yesNo().BitBtnDa && yesNo().BitBtnDa->isDefault();
            own = modal->frameGeometry();
            owner = main().frameGeometry();
            yesNo().BitBtnNet->click();
        });
        yesNo().AskWithCaptions("?", "a", "b", &main(), defaultButton);
        EXPECT_EQ(focusOnYes, defaultButton == 'y');
        EXPECT_EQ(own.left(), owner.left() + (owner.width() - own.width()) / 2);
        EXPECT_EQ(own.top(), owner.top() + (owner.height() - own.height()) / 2);
    }
}

TEST_F(MessageWindowsTest, InformationWindowCountsDownAndPauses) {
    me().Timer1->setInterval(3600 * 1000);  // only the test's ticks count
    QStringList counts;
    bool pausedSeen = false, closedByTicks = false;
    WhenUp([&](QWidget*) {
        counts << me().LabelDE->text();
        me().Timer1Timer();
        counts << me().LabelDE->text();
        me().LabelDEClick();
        pausedSeen = me().Paused();
        me().LabelDEClick();
        me().Timer1Timer();
        counts << me().LabelDE->text();
        me().Timer1Timer();
        closedByTicks = !me().isVisible();
    });
    me().Inform(QStringLiteral("файл занят другим приложением"), &main());
    EXPECT_EQ(counts, (QStringList{"3", "2", "1"}));
    EXPECT_TRUE(pausedSeen);
    EXPECT_TRUE(closedByTicks);
    EXPECT_EQ(me().Count(), TFormME::kCountStart);  // ready for the next message
    EXPECT_EQ(me().size(), QSize(390, 170));
}

TEST_F(MessageWindowsTest, AClickOnTheCountPausesTheRealTimer) {
    me().Timer1->setInterval(3600 * 1000);
    bool runningFirst = false, pausedAfterClick = false;
    WhenUp([&](QWidget*) {
        runningFirst = me().Timer1->isActive();
        QTest::mouseClick(me().LabelDE, Qt::LeftButton);
        pausedAfterClick = !me().Timer1->isActive();
        QTest::mouseClick(me().ImageX, Qt::LeftButton);  // closes at once
    });
    me().Inform("text", &main());
    EXPECT_TRUE(runningFirst);
    EXPECT_TRUE(pausedAfterClick);
    EXPECT_FALSE(me().isVisible());
}

TEST_F(MessageWindowsTest, AnyKeyClosesTheInformationWindow) {
    me().Timer1->setInterval(3600 * 1000);
    WhenUp([&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Space); });
    me().Inform("text", &main());
    EXPECT_FALSE(me().isVisible());
}

}  // namespace
}  // namespace quillon::ui::test
