// The view tree: init-text lines, the hit test, dispatch of presses, alt-clicks, hover, keys
// and polled drags, hiding, redraw marks, selection and moving.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/views/ViewsTestSupport.h"
#include "views/View.h"

namespace {

using testing_views::ProbeView;
using testing_views::Row;
using testing_views::TestPanel;

// A view that records the lines its init text gave.
class LinesView : public View {
  public:
    using View::View;
    void Initialise(char** lines, int count) override {
        got.clear();
        for (int i = 0; i < count; ++i) {
            std::string line;
            for (const char* p = lines[i]; *p && *p != '\n'; ++p) line += *p;
            got.push_back(line);
        }
    }
    std::vector<std::string> got;
};

TEST(ViewInitText, LinesAreSplitAtNewlinesAndATrailingNewlineAddsAnEmptyLine) {
    const ViewDefinition row = Row(0, {0, 10, 0, 10}, "View", -1, "");
    LinesView v(&row, nullptr);
    v.View::Initialise("");
    EXPECT_TRUE(v.got.empty());
    v.View::Initialise("one");
    EXPECT_EQ(v.got, (std::vector<std::string>{"one"}));
    v.View::Initialise("one\ntwo");
    EXPECT_EQ(v.got, (std::vector<std::string>{"one", "two"}));
    v.View::Initialise("one\n");
    EXPECT_EQ(v.got, (std::vector<std::string>{"one", ""}));
    v.View::Initialise("\n");
    EXPECT_EQ(v.got, (std::vector<std::string>{"", ""}));
    v.View::Initialise("a\r\nb");  // only "\n" separates
    EXPECT_EQ(v.got, (std::vector<std::string>{"a\r", "b"}));
    v.View::Initialise(nullptr);
    EXPECT_TRUE(v.got.empty());
}

// Root 0..200 x 0..100; two overlapping probes 1 and 2, a hidden probe 3 over both, and a
// container 4 holding probe 5.
std::vector<ViewDefinition> TreeRows() {
    return {
        Row(0, {0, 200, 0, 100}, "View", -1, ""),
        Row(1, {10, 50, 10, 50}, "Probe", 0, "", {0}),
        Row(2, {40, 80, 10, 50}, "Probe", 0, "", {1}),
        Row(3, {0, 100, 0, 60}, "Probe", 0, "", {2}, true),
        Row(4, {100, 180, 60, 90}, "View", 0, ""),
        Row(5, {110, 120, 70, 80}, "Probe", 4, "", {3, 4}),
    };
}

class ViewTree : public ::testing::Test {
  protected:
    TestPanel t{TreeRows()};
    ProbeView* probe(ViewID id) { return t.ViewAt<ProbeView>(id); }
};

TEST_F(ViewTree, TheHitTestCountsBothEdgesAndPrefersTheEarlierVisibleSibling) {
    View* root = t.panel->views[0];
    EXPECT_EQ(root->FindOwner(50, 50), probe(1));  // right and bottom edges are inside
    EXPECT_EQ(root->FindOwner(51, 30), probe(2));
    EXPECT_EQ(root->FindOwner(45, 30), probe(1));  // overlap: attached first wins
    EXPECT_EQ(root->FindOwner(5, 5), root);        // hidden 3 is skipped; the root owns it
    EXPECT_EQ(root->FindOwner(115, 75), probe(5));
    EXPECT_EQ(root->FindOwner(201, 50), nullptr);
    EXPECT_EQ(root->FindByID(5), probe(5));
    EXPECT_EQ(root->FindByID(9), nullptr);
    EXPECT_EQ(probe(5)->GetParent(), t.panel->views[4]);
    EXPECT_EQ(probe(5)->GetRelatedParameterCount(), 2);
}

TEST_F(ViewTree, PressesGoToTheViewUnderThePointerOnly) {
    t.panel->mouse(45, 30, 0, 1);
    t.panel->mouse(45, 30, 0, 0);
    EXPECT_EQ(probe(1)->presses, 1);
    EXPECT_EQ(probe(1)->releases, 1);
    EXPECT_EQ(probe(2)->presses, 0);
    EXPECT_EQ(probe(3)->presses, 0);
    // Root area and outside: nothing anywhere.
    t.panel->mouse(190, 5, 0, 1);
    t.panel->mouse(500, 500, 0, 1);
    for (ViewID id : {1u, 2u, 3u, 5u}) EXPECT_EQ(probe(id)->presses, id == 1 ? 1 : 0);
    EXPECT_FALSE(t.surface.IsRedrawing());
}

TEST_F(ViewTree, ADragIsOneStepPerIdlePassWhileHeldAndEndsOnTheFirstPassAfterRelease) {
    t.window.Press(20, 20);
    t.panel->mouse(20, 20, 0, 1);
    for (int i = 0; i < 3; ++i) t.panel->idle();
    t.window.Release();
    t.panel->idle();
    t.panel->idle();
    EXPECT_EQ(probe(1)->drags, 4);
    EXPECT_EQ(probe(1)->ends, 1);
    EXPECT_FALSE(probe(1)->dragging);

    // Released before the first idle pass: one step and the end.
    t.window.Press(60, 20);
    t.panel->mouse(60, 20, 0, 1);
    t.window.Release();
    t.panel->mouse(60, 20, 0, 0);
    t.panel->idle();
    EXPECT_EQ(probe(2)->drags, 1);
    EXPECT_EQ(probe(2)->ends, 1);
}

TEST_F(ViewTree, HidingADraggingViewEndsItsDragAtOnce) {
    ProbeView* p = probe(1);
    t.window.Press(20, 20);
    t.panel->mouse(20, 20, 0, 1);
    p->SetHidden(true, &t.surface);
    EXPECT_EQ(p->ends, 1);
    EXPECT_TRUE(p->dragging);  // its EndDrag did not clear it
    p->SetHidden(true, &t.surface);
    EXPECT_EQ(p->ends, 1);  // already hidden
    t.panel->idle();
    EXPECT_EQ(p->drags, 1);
    t.window.Release();
    t.panel->idle();
    EXPECT_EQ(p->ends, 2);
    EXPECT_FALSE(p->dragging);
}

TEST_F(ViewTree, HoverTellsTheOldViewBeforeTheNewAndTheCallbackSeesEveryChange) {
    struct Host {
        void Seen(View* v) { log.push_back({v->GetID(), v->mouseOver}); }
        std::vector<std::pair<ViewID, bool>> log;
    } host;
    t.panel->SetMouseoverCallback(&host, &Host::Seen);
    t.panel->mousemove(20, 20);
    t.panel->mousemove(25, 25);  // same view: nothing
    t.panel->mousemove(60, 20);
    t.panel->mousemove(300, 20);  // leaves the root
    t.panel->mousemove(60, 20);
    t.panel->mousemove(190, 5);  // the root's own area
    using E = std::pair<ViewID, bool>;
    EXPECT_EQ(host.log,
              (std::vector<E>{
                  {1, true}, {1, false}, {2, true}, {2, false}, {2, true}, {2, false}, {0, true}}));
    EXPECT_TRUE(t.panel->views[0]->mouseOver);
    EXPECT_FALSE(probe(2)->mouseOver);
}

TEST_F(ViewTree, HiddenViewsAreNeitherDrawnNorReportedAsNeedingARedraw) {
    t.panel->draw();
    EXPECT_EQ(probe(3)->draws, 0);
    EXPECT_EQ(probe(1)->draws, 1);
    EXPECT_FALSE(t.panel->NeedsRedraw());
    probe(3)->redraw();
    EXPECT_FALSE(t.panel->NeedsRedraw());
    probe(5)->redraw();
    EXPECT_TRUE(t.panel->NeedsRedraw());
    t.panel->views[4]->SetHidden(true, &t.surface);
    EXPECT_FALSE(t.panel->views[4]->needsredraw());
    t.panel->draw();
    EXPECT_EQ(probe(5)->draws, 1);
    t.panel->views[4]->SetHidden(false, &t.surface);
    EXPECT_TRUE(t.panel->NeedsRedraw());
}

TEST_F(ViewTree, MovingAContainerMovesAndMarksItsWholeSubtreeAndNothingElse) {
    View* box = t.panel->views[4];
    t.panel->draw();
    ASSERT_FALSE(t.panel->NeedsRedraw());
    box->OffsetRect(5, -2);
    EXPECT_EQ(box->rect.left, 105);
    EXPECT_EQ(box->rect.bottom, 88);
    EXPECT_EQ(probe(5)->rect.left, 115);
    EXPECT_EQ(probe(5)->rect.top, 68);
    EXPECT_TRUE(box->needsRedraw);
    EXPECT_TRUE(probe(5)->needsRedraw);
    EXPECT_FALSE(probe(1)->needsRedraw);
    EXPECT_FALSE(t.panel->views[0]->needsRedraw);

    // Repositioning and resizing move the view alone and mark nothing.
    t.panel->draw();
    const PRect r{100, 120, 60, 70};
    box->Reposition(&r);
    box->Resize(30, 40);
    EXPECT_EQ(box->rect.right, 130);
    EXPECT_EQ(box->rect.bottom, 100);
    EXPECT_EQ(probe(5)->rect.left, 115);
    EXPECT_FALSE(t.panel->NeedsRedraw());

    // Ticks reach every view, hidden ones included.
    t.panel->tick();
    EXPECT_EQ(probe(3)->ticks, 1);
    EXPECT_EQ(probe(5)->ticks, 1);

    // A removed view leaves the tree (the panel still deletes it at the end).
    box->Remove(probe(5));
    EXPECT_EQ(probe(5)->GetParent(), nullptr);
    EXPECT_EQ(box->GetChild(0), nullptr);
    box->Remove(probe(5));
    EXPECT_EQ(box->GetChildCount(), 0);
    EXPECT_EQ(t.panel->views[0]->FindOwner(115, 75), box);
}

TEST_F(ViewTree, SelectionIsExclusiveAndKeysGoToTheSelectedView) {
    probe(1)->SetSelected(true);
    probe(1)->needsRedraw = false;
    probe(5)->SetSelected(true);
    EXPECT_FALSE(probe(1)->IsSelected());
    EXPECT_TRUE(probe(1)->needsRedraw);  // losing the selection marks for redraw
    EXPECT_EQ(t.panel->views[0]->FindSelected(), probe(5));
    t.panel->key('a', 0);
    EXPECT_EQ(probe(5)->keys, (std::vector<int>{'a'}));
    EXPECT_TRUE(probe(1)->keys.empty());
    probe(5)->SetSelected(false);
    t.panel->key('b', 0);
    EXPECT_EQ(probe(5)->keys.size(), 1u);
}

}  // namespace
