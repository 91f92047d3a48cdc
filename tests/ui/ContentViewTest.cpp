// The panel's frame: tabs, capture per tab, and pictures of it.

#include "Snapshot.h"
#include "ThroughWindow.h"
#include "recorders/RecorderFixture.h"

#include "model/Options.h"
#include "model/UIState.h"
#include "ui/ContentView.h"
#include "ui/CustomTabView.h"
#include "ui/HintWinManager.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QTest>

namespace corv::ui {
namespace {

void press(QWidget* w) { test::click(w); }

class ContentViewTest : public test::RecorderTest {
protected:
    ContentViewTest() {
        enableEngineTaps();
        Apps::shared().a.modify([](AppEntries& a) { a[""] = AnApp{}; });
    }
    bool capturing() { return UIState::shared().bindingTabShowed.get() && gestureCaptureOn(); }
};

TEST_F(ContentViewTest, OnlyTheSelectedTabIsBuiltAndAPressSelectsAtItsStart) {
    std::vector<int> made;
    std::vector<TabDesc> tabs;
    for (int i = 0; i < 4; ++i)
        tabs.push_back({QString::number(i), "gearshape", [&made, i](QWidget* p) {
                            made.push_back(i);
                            auto* w = new QWidget(p);
                            w->setFixedHeight(100 + 50 * i);
                            return w;
                        }});
    Published<std::int64_t>& selection = Options::shared().tabSelection;
    selection.set(2);
    CustomTabView view(selection, tabs);
    view.QWidget::show();
    EXPECT_EQ(made, std::vector<int>{2});
    EXPECT_EQ(view.bar()->activeRect(), view.bar()->targetRect());  // no spring on first showing

    QPointer<QWidget> old = view.content();
    test::pressAt(view.bar()->button(0), test::centre(view.bar()->button(0)));
    EXPECT_EQ(selection.get(), 0);  // before the release
    EXPECT_EQ(made, (std::vector<int>{2, 0}));
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(view.bar()->corners(), (CornerRadii{15, 8, 8, 8}));
    test::releaseAt(view.bar()->button(0), test::centre(view.bar()->button(0)));

    // Coming back rebuilds; a stored value outside the tabs shows the first.
    press(view.bar()->button(2));
    EXPECT_EQ(made, (std::vector<int>{2, 0, 2}));
    selection.set(7);
    EXPECT_EQ(view.shownIndex(), 0);
    EXPECT_EQ(made.back(), 0);
}

TEST_F(ContentViewTest, TheTrackpadTabCapturesWhileItShows) {
    Options::shared().tabSelection.set(2);
    ContentView view;
    EXPECT_FALSE(capturing());
    view.show();
    EXPECT_FALSE(capturing());

    press(view.tabs()->bar()->button(0));
    EXPECT_EQ(Options::shared().tabSelection.get(), 0);
    EXPECT_TRUE(capturing());
    EXPECT_FALSE(on(engine::gestureTap()));

    // Leaving for another tab ends it; the panel closing ends it too.
    press(view.tabs()->bar()->button(3));
    EXPECT_FALSE(capturing());
    EXPECT_TRUE(on(engine::gestureTap()));
    press(view.tabs()->bar()->button(0));
    EXPECT_TRUE(capturing());
    // The tab bar itself captures nothing: the keyboard tab's own content does.
    press(view.tabs()->bar()->button(1));
    EXPECT_FALSE(capturing());
    EXPECT_FALSE(keyCaptureOn());
}

TEST_F(ContentViewTest, DroppingTheContentEndsCaptureAndTheViewHasThePanelsWidth) {
    Options::shared().tabSelection.set(0);
    {
        auto view = std::make_unique<ContentView>();
        view->show();
        EXPECT_TRUE(capturing());
        EXPECT_EQ(view->width(), 380);
        for (int i : {3, 2, 1, 0}) {
            press(view->tabs()->bar()->button(i));
            QTest::qWait(200);  // the highlight's spring
            EXPECT_TRUE(test::snapshot(*view, "panel-tab" + std::to_string(i)));
            EXPECT_EQ(view->height(), view->sizeHint().height());
            // Scrolled content lets the panel's translucent ground through.
            for (QScrollArea* area : view->findChildren<QScrollArea*>())
                EXPECT_FALSE(area->widget() && area->widget()->autoFillBackground()) << i;
        }
    }
    EXPECT_FALSE(capturing());
}

TEST_F(ContentViewTest, EscapeInThePanelTakesAShownHelpHintDown) {
    Options::shared().tabSelection.set(3);
    ContentView view;
    view.show();
    auto& hints = HintWinManager::shared();
    hints.toggleHelp("Some help", platform::Rect{10, 10, 16, 16});
    sim->runLoop.advance(1.0);
    ASSERT_TRUE(hints.isVisible());
    QTest::keyClick(view.windowHandle(), Qt::Key_Escape);
    sim->runLoop.advance(1.0);
    EXPECT_FALSE(hints.isVisible());
}

} // namespace
} // namespace corv::ui
