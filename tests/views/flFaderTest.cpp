#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/views/flTestSurface.h"

namespace fltest {
namespace {

constexpr PRect kBalance{20, 132, 40, 48};  // 112 wide: a 12-pixel handle travels 97
constexpr PRect Level(int k) {
    return {140 + 20 * k, 150 + 20 * k, 10, 138};
}
constexpr const char* kVInit = "VHandle.bmp\nVHandleMask.bmp\nVTray.bmp\nBack.bmp";

class flFaderTest : public flPanelTest {
  protected:
    void SetUp() override {
        flPanelTest::SetUp();
        // Bright red handles over a background whose red stays below 200 here.
        AddSolid("XHandle.bmp", 12, 8, 0xFF0000);
        AddSolid("XHandleMask.bmp", 12, 8, 0xFFFFFF);
        AddSolid("XTray.bmp", 112, 8, 0xFFFFFF);
        AddSolid("VHandle.bmp", 10, 6, 0xFF0000);
        AddSolid("VHandleMask.bmp", 10, 6, 0xFFFFFF);
        AddSolid("VTray.bmp", 10, 128, 0xFFFFFF);
    }
    // The handle's first column (horizontal) or row (vertical) as drawn, relative to the view.
    int DrawnHandle(const PRect& r, bool vertical) {
        panel->draw();
        for (int i = 0; i < (vertical ? r.bottom - r.top : r.right - r.left); ++i) {
            const long c = window.buffer->GetPixel(vertical ? r.left : r.left + i,
                                                   vertical ? r.top + i : r.top);
            if (Red(c) > 200) return i;
        }
        return -1;
    }
    // Drags so that the handle's centre lies p pixels into the travel.
    void DragBalance(int p, int y = 42) {
        Press(kBalance.left + 6, y);
        MoveTo(kBalance.left + 6 + p, y);
        window.Release();
        panel->idle();
    }
    void DragLevel(int k, int p) {
        Press(Level(k).left + 2, 70);
        MoveTo(Level(k).left + 2, Level(k).top + 3 + p);
        window.Release();
        panel->idle();
    }
};

TEST_F(flFaderTest, HorizontalHandleFollowsThePointerOnItsStep) {
    params = {Param(0.5f), Param(0.5f)};
    Add("flHSlider", kBalance, "XHandle.bmp\nXHandleMask.bmp\nXTray.bmp\nBack.bmp", {0});
    const ViewID stepped = Add("flHSlider", {20, 132, 60, 68},
                               "XHandle.bmp\nXHandleMask.bmp\nXTray.bmp\nBack.bmp\n10", {1});
    const ViewID badStep = Add("flHSlider", {20, 132, 80, 88},
                               "XHandle.bmp\nXHandleMask.bmp\nXTray.bmp\nBack.bmp\n-4", {1});
    Build();
    EXPECT_EQ(At<flHSlider>(badStep)->step, 1);  // a step below 1 counts as 1
    Set(0, 0.0f);
    EXPECT_EQ(DrawnHandle(kBalance, false), 1);
    Set(0, 1.0f);
    EXPECT_EQ(DrawnHandle(kBalance, false), 98);
    Set(0, 1.5f);  // drawn at the end; the parameter keeps what it holds
    EXPECT_EQ(DrawnHandle(kBalance, false), 98);
    EXPECT_EQ(Value(0), 1.5f);
    DragBalance(3);
    EXPECT_FLOAT_EQ(Value(0), 3.0f / 97);

    auto* fader = At<flHSlider>(stepped);
    const struct {
        int p;
        float value;
        int x;
    } cases[] = {{4, 0.0f, 1},
                 {5, 10.0f / 97, 11},
                 {14, 10.0f / 97, 11},
                 {15, 20.0f / 97, 21},
                 {-30, 0.0f, 1}};
    for (const auto& c : cases) {
        DragBalance(c.p, 62);
        EXPECT_FLOAT_EQ(Value(1), c.value) << c.p;
        EXPECT_EQ(fader->HandleX(), c.x) << c.p;
    }
    // A release over the fader ends the drag at once, without a last step.
    Press(kBalance.left + 6, 42);
    MoveTo(kBalance.left + 26, 42);
    window.MoveTo(kBalance.left + 46, 42);
    Release();
    EXPECT_FLOAT_EQ(Value(0), 20.0f / 97);
}

TEST_F(flFaderTest, VerticalHandleAndPointer) {
    params = {Param(0.5f), Param(0.5f)};
    Add("flVSlider", Level(0), kVInit, {0});
    const ViewID blind =
        Add("flVSlider", Level(1), "NoHandle.bmp\nVHandleMask.bmp\nVTray.bmp\nBack.bmp", {1});
    Build();
    for (const auto& [value, y] : {std::pair{1.0f, 2}, std::pair{0.5f, 49}, std::pair{0.0f, 97}}) {
        Set(0, value);
        EXPECT_EQ(DrawnHandle(Level(0), true), y) << value;
    }
    const std::pair<int, float> drags[] = {{38, 0.6f}, {-40, 1.0f}, {200, 0.0f}};
    for (const auto& [p, value] : drags) {
        DragLevel(0, p);
        EXPECT_FLOAT_EQ(Value(0), value) << p;
    }
    // Without its handle a fader ignores drags.
    EXPECT_EQ(At<flVSlider>(blind)->travel, 1);
    DragLevel(1, 10);
    EXPECT_EQ(Value(1), 0.5f);
}

TEST_F(flFaderTest, StereoLinkMovesAndResetsThePair) {
    params = {Param(0.5f), Param(0.5f), Switch()};
    const ViewID a = Add("flVSlider2", Level(0), kVInit, {0, 1, 2});
    Add("flVSlider2", Level(1), kVInit, {1, 0, 2});
    Build();
    Set(0, 0.7f);
    const int handle = At<flVSlider2>(a)->HandleY();
    Set(1, 0.4f);
    EXPECT_EQ(At<flVSlider2>(a)->HandleY(), handle);  // a partner's change does not move it
    AltClick(Level(0).left + 2, 60);                  // unlinked: only its own level
    EXPECT_EQ(Value(0), 0.5f);
    EXPECT_FLOAT_EQ(Value(1), 0.4f);

    Set(0, 0.7f);
    Set(2, 1.0f);
    EXPECT_FLOAT_EQ(Value(0), 0.4f);
    EXPECT_FLOAT_EQ(Value(1), 0.4f);
    DragLevel(1, 38);
    EXPECT_FLOAT_EQ(Value(0), 0.6f);
    EXPECT_FLOAT_EQ(Value(1), 0.6f);
    AltClick(Level(1).left + 2, 60);
    EXPECT_EQ(Value(0), 0.5f);
    EXPECT_EQ(Value(1), 0.5f);
    EXPECT_EQ(Value(2), 1.0f);  // the link itself is never reset from the fader
    Set(2, 0.0f);
    DragLevel(0, 0);
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_EQ(Value(1), 0.5f);
}

// The picture as first drawn: the whole background, the handle blended over it, and the whole
// of that seen through the tray mask over the background (copied as it is without a tray).
std::vector<long> ReferencePicture(Bitmap* background, Bitmap* handle, Bitmap* handleMask,
                                   Bitmap* trayMask, int x, int y) {
    const int w = background->GetWidth(), h = background->GetHeight();
    Bitmap work(w, h), composite(w, h);
    background->BlitIntoBitmap(&work, 0, 0, nullptr);
    background->BlitIntoBitmap(&composite, 0, 0, nullptr);
    handle->BlitAlphaIntoBitmap(&composite, handleMask, x, y, nullptr, true);
    if (trayMask != nullptr) {
        composite.BlitAlphaIntoBitmap(&work, trayMask, 0, 0, nullptr, true);
    } else {
        composite.BlitIntoBitmap(&work, 0, 0, nullptr);
    }
    std::vector<long> pixels;
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) pixels.push_back(work.GetPixel(px, py));
    return pixels;
}

TEST_F(flFaderTest, PictureIsTheWholeCompositeSeenThroughTheTray) {
    std::mt19937 rng(7);
    const auto noise = [&rng](int, int) { return static_cast<long>(rng() & 0xFFFFFF); };
    // Masks as skins draw them: opaque, clear and soft pixels.
    const auto soft = [&rng](int, int) {
        const long levels[] = {0, 0xFFFFFF, static_cast<long>(rng() & 0xFFFFFF)};
        return levels[rng() % 3];
    };
    AddImage("NoisyBack.bmp", 200, 160, noise);
    AddImage("NHandle.bmp", 10, 6, noise);
    AddImage("NHandleMask.bmp", 10, 6, soft);
    AddImage("NTray.bmp", 10, 128, soft);
    AddImage("NShortTray.bmp", 10, 100, soft);  // not the view's size: no tray blend
    AddImage("NTallHandle.bmp", 10, 40, noise);
    AddImage("NTallHandleMask.bmp", 10, 40, soft);
    AddImage("NXHandle.bmp", 12, 8, noise);
    AddImage("NXHandleMask.bmp", 12, 8, soft);
    AddImage("NXTray.bmp", 112, 8, soft);
    params = {Param(0.5f)};
    Add("flVSlider", Level(0), "NHandle.bmp\nNHandleMask.bmp\nNTray.bmp\nNoisyBack.bmp", {0});
    Add("flVSlider", {155, 165, 10, 138},
        "NHandle.bmp\nNHandleMask.bmp\nNShortTray.bmp\nNoisyBack.bmp", {0});
    // A handle running off the bottom of a short view, through a tray of the view's size.
    Add("flVSlider", {170, 180, 10, 110},
        "NTallHandle.bmp\nNTallHandleMask.bmp\nNShortTray.bmp\nNoisyBack.bmp", {0});
    Add("flVSlider2", {185, 195, 10, 138}, "NHandle.bmp\nNHandleMask.bmp\nNTray.bmp\nNoisyBack.bmp",
        {0});
    Add("flHSlider", kBalance, "NXHandle.bmp\nNXHandleMask.bmp\nNXTray.bmp\nNoisyBack.bmp", {0});
    Add("flHSlider", {20, 132, 60, 68},
        "NXHandle.bmp\nNXHandleMask.bmp\nNXTray.bmp\nNoisyBack.bmp\n7", {0});
    Add("flHSlider", {20, 132, 80, 88}, "NXHandle.bmp\nNXHandleMask.bmp\n\nNoisyBack.bmp", {0});
    Build();
    for (float value : {0.0f, 1.0f, 0.5f, 0.25f, 0.8f, 0.33f, 0.0f, 0.6f}) {
        Set(0, value);
        panel->draw();
        for (ViewID id = 1; id < static_cast<ViewID>(rows.size()); ++id) {
            const PRect& r = panel->GetView(id)->rect;
            std::vector<long> expected;
            if (auto* h = At<flHSlider>(id)) {
                expected = ReferencePicture(h->background, h->handle, h->handleMask, h->trayMask,
                                            h->HandleX(), 0);
            } else {
                auto* v = At<flVSlider>(id);
                expected = ReferencePicture(v->background, v->handle, v->handleMask, v->trayMask, 0,
                                            v->HandleY());
            }
            std::vector<long> drawn;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    drawn.push_back(window.buffer->GetPixel(x, y));
            ASSERT_EQ(drawn, expected) << "view " << id << " value " << value;
        }
    }
}

// Faders of each kind over noisy images, all showing parameter 0, and what a new fader of the
// same row shows for the same value and images.
class flFaderPictureTest : public flFaderTest {
  protected:
    struct Fader {
        ViewID id;
        std::string init;  // what the fader was last initialised with
        std::vector<long> (flFaderPictureTest::*fresh)(const Fader&, float);
    };

    // Handles, masks, trays and a background named with the given letter.
    static void AddImages(char set, unsigned seed) {
        const std::string s(1, set);
        AddNoise(("Back" + s + ".bmp").c_str(), 200, 160, seed);
        AddNoise(("VH" + s + ".bmp").c_str(), 10, 6, seed + 1);
        AddSoftMask(("VHM" + s + ".bmp").c_str(), 10, 6, seed + 2);
        AddSoftMask(("VT" + s + ".bmp").c_str(), 10, 128, seed + 3);
        AddNoise(("XH" + s + ".bmp").c_str(), 12, 8, seed + 4);
        AddSoftMask(("XHM" + s + ".bmp").c_str(), 12, 8, seed + 5);
        AddSoftMask(("XT" + s + ".bmp").c_str(), 112, 8, seed + 6);
    }
    static std::string VerticalInit(char set) {
        const std::string s(1, set);
        return "VH" + s + ".bmp\nVHM" + s + ".bmp\nVT" + s + ".bmp\nBack" + s + ".bmp";
    }
    // Confined to its tray, or not when the tray line is empty.
    static std::string HorizontalInit(char set, bool confined) {
        const std::string s(1, set);
        return "XH" + s + ".bmp\nXHM" + s + ".bmp\n" + (confined ? "XT" + s + ".bmp" : "") +
               "\nBack" + s + ".bmp";
    }

    template <class T>
    std::vector<long> Fresh(const Fader& f, float value) {
        return FreshPicture<T>(f.id, f.init.c_str(), [value](T* fader) { fader->value = value; });
    }
    // Builds the panel with faders of each kind drawn from the images of the set.
    void BuildFaders(char set) {
        faders = {{Add("flVSlider", Level(0), "", {0}), VerticalInit(set),
                   &flFaderPictureTest::Fresh<flVSlider>},
                  {Add("flVSlider2", Level(1), "", {0}), VerticalInit(set),
                   &flFaderPictureTest::Fresh<flVSlider2>},
                  {Add("flHSlider", kBalance, "", {0}), HorizontalInit(set, true),
                   &flFaderPictureTest::Fresh<flHSlider>},
                  {Add("flHSlider", {20, 132, 60, 68}, "", {0}), HorizontalInit(set, false),
                   &flFaderPictureTest::Fresh<flHSlider>}};
        for (const Fader& f : faders) rows[f.id].initText = f.init.c_str();
        params = {Param(0.5f)};
        Build();
    }
    std::vector<long> FreshFader(const Fader& f) { return (this->*f.fresh)(f, Value(0)); }
    void ExpectFreshPictures(const std::string& when) {
        for (const Fader& f : faders) {
            EXPECT_EQ(ShownPicture(f.id), FreshFader(f)) << when << ", fader " << f.id;
        }
    }

    std::vector<Fader> faders;
};

TEST_F(flFaderPictureTest, EveryDrawShowsWhatANewFaderWithTheValueShows) {
    AddImages('A', 11);
    BuildFaders('A');
    ExpectFreshPictures("first draw");
    ExpectFreshPictures("drawn again");
    // Values one pixel apart, values that move no handle, and a return to an earlier value.
    for (const float value : {0.2f, 0.2001f, 0.21f, 0.8f, 0.2f, 0.0f, 1.0f, 1.0f, 0.5f}) {
        Set(0, value);
        ExpectFreshPictures("value " + std::to_string(value));
    }
    // Drag steps paint at once; the panel's next draw shows the same.
    Press(Level(0).left + 2, 70);
    for (const int y : {40, 41, 90, 40}) {
        MoveTo(Level(0).left + 2, y);
        const PRect r = Level(0);
        EXPECT_EQ(Pixels(*window.buffer, r), FreshFader(faders[0])) << "dragged to " << y;
        ExpectFreshPictures("dragged to " + std::to_string(y));
    }
    Release();
}

TEST_F(flFaderPictureTest, AFaderInitialisedAgainShowsItsNewImages) {
    AddImages('A', 21);
    AddImages('B', 31);
    BuildFaders('A');
    Set(0, 0.0f);
    panel->draw();
    // Initialising puts the value to 0, where every handle already is: only the images change.
    faders[0].init = faders[1].init = VerticalInit('B');
    faders[2].init = HorizontalInit('B', true);
    faders[3].init = HorizontalInit('B', false);
    for (const Fader& f : faders) {
        rows[f.id].initText = f.init.c_str();
        panel->GetView(f.id)->Initialise(f.init.c_str());
    }
    ExpectFreshPictures("initialised again");
    Set(0, 0.7f);
    ExpectFreshPictures("moved after initialising again");
}

}  // namespace
}  // namespace fltest
