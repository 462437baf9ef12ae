#pragma once
// The base class of every element of a panel: its rectangle, identity, tree links and state
// flags, the hit test, the dispatch of mouse, alt-click, hover, key, idle, tick and draw calls
// down the tree, polled dragging, redraw marks, selection and tooltips. A plain View is a
// container with no appearance of its own.
//
// Events enter at the root only, from the panel (PluginGUI), inside the surface's redraw
// bracket. Controls name themselves to their panel by their id and a slot.

#include <vector>

#include "views/ViewDefinition.h"

class GUI;
class PluginGUI;

class View {
  public:
    // Called with the view whenever its mouseOver flag is written (for over and not over alike).
    class MouseoverFunctorBase {
      public:
        virtual ~MouseoverFunctorBase() = default;
        virtual void operator()(View*) {}
    };

    // Calls a member function of a host object (a virtual one dispatches virtually).
    template <class T>
    class MouseoverFunctor : public MouseoverFunctorBase {
      public:
        using Function = void (T::*)(View*);
        MouseoverFunctor(T* object, Function function) : object(object), function(function) {}
        void operator()(View* v) override { (object->*function)(v); }

        T* object;
        Function function;
    };

    // Views are made only by the registry's factories while a panel is built.
    View(const ViewDefinition* row, PluginGUI* owner);
    // Deletes the children in index order and the mouse-over callback; does not unlink itself
    // from its parent.
    virtual ~View();

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Parses the init text, already split into lines. Each line ends at "\n" or at the NUL and
    // points into the row's text, which outlives the view; the array is valid only during the
    // call. Lines must not be written to.
    virtual void Initialise(char** lines, int count);
    // The name of the parameter bound to slot 0, at most len bytes; buf untouched without one.
    virtual void GetTooltip(char* buf, unsigned int len);
    virtual void SetPlugin(PluginGUI* owner);
    virtual ViewID GetID();
    virtual void SetID(ViewID id);
    virtual View* FindByID(ViewID id);
    virtual int GetRelatedParameterCount();
    virtual void SetRelatedParameterCount(int count);
    // Whether an alt-click resets the parameter of this slot; true for every slot.
    virtual bool ShouldResetParameter(int slot) const;
    virtual void SetHidden(bool hide, GUI* gui);
    virtual bool IsHidden();
    // A press, release or double click of the left button (down true for press and double
    // click). The base passes it to the deepest visible view under the point.
    virtual void mouse(int x, int y, int button, bool down, GUI* gui);
    virtual void mouseover(bool over, GUI* gui);
    // A click with Alt held: the view under the point resets its parameters to their defaults.
    virtual void altclick(int x, int y, GUI* gui);
    // Every idle pass and timer tick: children first, then one drag step while dragging.
    virtual void idle(GUI* gui);
    // The parameter bound to the slot has changed.
    virtual void notify(int slot);
    // Goes to the selected view of the tree.
    virtual void key(int ch, int code, GUI* gui);
    virtual void tick(GUI* gui);
    virtual void DoDrag(GUI* gui);
    virtual void EndDrag(GUI* gui);
    virtual View* GetChild(unsigned long i);
    virtual int GetChildCount();
    virtual void Attach(View* child);
    virtual void Remove(View* child);
    virtual void SetParent(View* parent);
    virtual View* GetParent();
    // Inclusive test: both edges count as inside.
    virtual bool IsInside(int x, int y);
    // The deepest visible view under the point, NULL outside this view or when it is hidden.
    virtual View* FindOwner(int x, int y);
    virtual void Reposition(const PRect* r);
    virtual int GetWidth();
    virtual int GetHeight();
    virtual void GetRect(PRect* r);
    virtual void Resize(long w, long h);
    // Moves the whole subtree and marks it for redraw.
    virtual void OffsetRect(int dx, int dy);
    // Draws the visible children in index order and clears the redraw mark. Hidden children
    // are not drawn (their marks are cleared).
    virtual void draw(GUI* gui);
    virtual void redraw();
    virtual bool needsredraw();
    virtual void RedrawRecursive();
    virtual void RedrawAll();
    virtual bool IsSelected();
    // Selection is exclusive within the tree.
    virtual void SetSelected(bool selected);
    virtual void DeSelectRecursive();
    virtual void DeSelectAll();
    virtual View* FindSelected();

    // Splits text at each "\n" and calls the virtual Initialise with the lines: an empty text
    // gives 0 lines, a text ending in "\n" has a last, empty line.
    void Initialise(const char* text);
    // Hover tracking on the root, while no button is down.
    void mousemove(int x, int y, GUI* gui);
    // Replaces (and deletes) the previous callback.
    template <class T>
    void SetMouseoverCallback(T* host, void (T::*function)(View*)) {
        delete mouseoverCallback;
        mouseoverCallback = new MouseoverFunctor<T>(host, function);
    }

    PluginGUI* owner;
    bool needsRedraw;
    PRect rect;
    ViewID id;
    const ViewDefinition* def;
    std::vector<View*> children;
    View* parent;
    int relatedParameterCount;
    View* hovered;
    bool selected;
    bool dragging;
    bool hidden;
    bool mouseOver;
    MouseoverFunctorBase* mouseoverCallback;
};
