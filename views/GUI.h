#pragma once
// The drawing surface. Every entry of a panel into its view tree is bracketed by StartRedraw
// and EndRedraw; views draw their composed bitmaps with DrawBitmap; containers draw their
// children into a private bitmap between RedirectOutputToBitmap and RedirectOutputFromBitmap;
// drags poll MouseIsDown, GetMousePos and the modifier keys.

#include <vector>

#include "views/Bitmap.h"
#include "views/ChangedRegion.h"
#include "views/ViewDefinition.h"
#include "views/WindowPort.h"

// The abstract surface: the pure operations, and four drawing helpers built on them.
class iGUI {
  public:
    virtual ~iGUI() = default;

    virtual bool AltIsDown() = 0;
    virtual bool ShiftIsDown() = 0;
    virtual bool CtrlIsDown() = 0;
    virtual bool MouseIsDown() = 0;
    // Pointer position in window coordinates (the drawing offset is not subtracted).
    virtual void GetMousePos(int* x, int* y) = 0;
    // The redraw bracket does not nest: an inner start does nothing, the first end ends it.
    virtual void StartRedraw() = 0;
    virtual void EndRedraw() = 0;
    // Drawing goes into b until the matching RedirectOutputFromBitmap; the offset (dx, dy) is
    // added to every DrawBitmap destination meanwhile.
    virtual void RedirectOutputToBitmap(Bitmap* b, int dx, int dy) = 0;
    virtual void RedirectOutputFromBitmap(Bitmap* b, int dx, int dy) = 0;
    // Unscaled opaque copy of b to r (moved by the offset); src, when given, is the top-left
    // source pixel, else (0, 0).
    virtual void DrawBitmap(Bitmap* b, const PRect* r, const PPoint* src) = 0;
    // Frame, erase and line use the target's pen (black) and background (white); the drawing
    // offset is not applied to them. Rectangles are half-open, both line ends are drawn.
    virtual void PlotRectangle(const PRect* r) = 0;
    virtual void EraseRectangle(const PRect* r) = 0;
    virtual void LineFromTo(int x1, int y1, int x2, int y2) = 0;
    // Clipboard by four-character type code. PasteFromClipboard copies at most capacity bytes.
    virtual void CopyToClipboard(const void* data, int size, int flavour) = 0;
    virtual int GetClipboardDataSize(int flavour) = 0;
    virtual void PasteFromClipboard(void* buf, int flavour, int capacity) = 0;

    // An erased, framed box crossed by both diagonals.
    virtual void HatchedRectangle(const PRect* r);
    // An erased, framed box with eight framed 10 x 10 handles on its corners and edge middles.
    virtual void HandledRectangle(const PRect* r);
    virtual void PlotRectangle(int x, int y, int w, int h);
    virtual void EraseRectangle(int x, int y, int w, int h);
};

// The one surface: draws into the back buffer of a WindowPort (not owned) and into bitmaps.
class GUI : public iGUI {
  public:
    static constexpr long kPenColour = 0x000000;
    static constexpr long kBackgroundColour = 0xFFFFFF;

    explicit GUI(WindowPort* window);
    ~GUI() override;

    bool AltIsDown() override;
    bool ShiftIsDown() override;
    bool CtrlIsDown() override;
    bool MouseIsDown() override;
    void GetMousePos(int* x, int* y) override;
    void StartRedraw() override;
    void EndRedraw() override;
    void RedirectOutputToBitmap(Bitmap* b, int dx, int dy) override;
    void RedirectOutputFromBitmap(Bitmap* b, int dx, int dy) override;
    void DrawBitmap(Bitmap* b, const PRect* r, const PPoint* src) override;
    void PlotRectangle(const PRect* r) override;
    void EraseRectangle(const PRect* r) override;
    void LineFromTo(int x1, int y1, int x2, int y2) override;
    void CopyToClipboard(const void* data, int size, int flavour) override;
    int GetClipboardDataSize(int flavour) override;
    void PasteFromClipboard(void* buf, int flavour, int capacity) override;
    using iGUI::EraseRectangle;
    using iGUI::PlotRectangle;

    // Saved-target stack: push the present target; make the top entry current again and pop
    // it; make the window's back buffer the current target.
    void GetOldGWorld();
    void SetOldGWorld();
    void SetOurGWorld();

    // State, for the host window and for tests.
    bool IsRedrawing() const { return !savedPorts.empty(); }
    Bitmap* CurrentTarget() const { return currentPort; }
    WindowPort* GetWindow() const { return window; }
    size_t SavedTargetCount() const { return savedPorts.size(); }

    int offsetX;
    int offsetY;

  private:
    // One entry of the saved-target stack: the target that was current before, and whether the
    // entry was pushed by a redirect (rather than by StartRedraw).
    struct SavedTarget {
        Bitmap* target;
        bool redirect;
    };

    // Records a change of the back buffer, to be invalidated when the redraw ends.
    void NoteChanged(const PRect& r);

    WindowPort* window;
    std::vector<SavedTarget> savedPorts;
    Bitmap* currentPort;
    // The back buffer of the redraw under way, fetched once when the redraw starts.
    Bitmap* windowBuffer;
    ChangedRegion changed;
};
