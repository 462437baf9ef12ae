#include "views/View.h"

#include <algorithm>
#include <vector>

#include "views/GUI.h"
#include "views/PluginGUI.h"

View::View(const ViewDefinition* row, PluginGUI* owner)
    : owner(owner), needsRedraw(true), rect(row ? row->rect : PRect{0, 0, 0, 0}),
      id(row ? row->id : 0), def(row), parent(nullptr), relatedParameterCount(0), hovered(nullptr),
      selected(false), dragging(false), hidden(row ? row->hidden : false), mouseOver(false),
      mouseoverCallback(nullptr) {}

View::~View() {
    for (View* child : children) delete child;
    children.clear();
    delete mouseoverCallback;
}

void View::Initialise(char**, int) {}

void View::Initialise(const char* text) {
    if (!text) text = "";
    // Line pointers into the row's own text; the lines end at "\n" or at the NUL.
    std::vector<char*> lines;
    if (*text) {
        char* start = const_cast<char*>(text);
        lines.push_back(start);
        for (char* p = start; *p; ++p) {
            if (*p == '\n') lines.push_back(p + 1);
        }
    }
    Initialise(lines.empty() ? nullptr : lines.data(), static_cast<int>(lines.size()));
}

void View::GetTooltip(char* buf, unsigned int len) {
    if (!def || !buf || !owner || !owner->plugin) return;
    const int index = def->relatedParameters[0];
    if (index < 0) return;
    owner->plugin->GetParameterName(index, buf, len);
}

void View::SetPlugin(PluginGUI* panel) {
    owner = panel;
}

ViewID View::GetID() {
    return id;
}

void View::SetID(ViewID newId) {
    id = newId;
}

View* View::FindByID(ViewID wanted) {
    if (id == wanted) return this;
    for (View* child : children) {
        if (View* found = child->FindByID(wanted)) return found;
    }
    return nullptr;
}

int View::GetRelatedParameterCount() {
    return relatedParameterCount;
}

void View::SetRelatedParameterCount(int count) {
    relatedParameterCount = count;
}

bool View::ShouldResetParameter(int) const {
    return true;
}

void View::SetHidden(bool hide, GUI* gui) {
    if (!hidden && hide && dragging) EndDrag(gui);
    hidden = hide;
    redraw();
}

bool View::IsHidden() {
    return hidden;
}

void View::mouse(int x, int y, int button, bool down, GUI* gui) {
    if (IsHidden()) return;
    View* o = FindOwner(x, y);
    if (o && o != this) o->mouse(x, y, button, down, gui);
}

void View::mouseover(bool over, GUI*) {
    mouseOver = over;
    if (mouseoverCallback) (*mouseoverCallback)(this);
}

void View::altclick(int x, int y, GUI* gui) {
    if (IsHidden()) return;
    View* o = FindOwner(x, y);
    if (!o) return;
    if (o == this) {
        if (owner) owner->ResetControlsToDefaults(id);
        return;
    }
    o->altclick(x, y, gui);
}

void View::idle(GUI* gui) {
    // By index: a child's idle may not add or remove children, but the count is read each time.
    for (size_t i = 0; i < children.size(); ++i) children[i]->idle(gui);
    if (!dragging) return;
    if (gui && gui->MouseIsDown()) {
        DoDrag(gui);
        return;
    }
    DoDrag(gui);
    EndDrag(gui);
    dragging = false;
}

void View::notify(int) {}

void View::key(int ch, int code, GUI* gui) {
    View* s = FindSelected();
    if (s && s != this) s->key(ch, code, gui);
}

void View::tick(GUI* gui) {
    for (size_t i = 0; i < children.size(); ++i) children[i]->tick(gui);
}

void View::DoDrag(GUI*) {}

void View::EndDrag(GUI*) {}

View* View::GetChild(unsigned long i) {
    return i < children.size() ? children[i] : nullptr;
}

int View::GetChildCount() {
    return static_cast<int>(children.size());
}

void View::Attach(View* child) {
    if (!child) return;
    child->SetParent(this);
    children.push_back(child);
}

void View::Remove(View* child) {
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end()) return;
    children.erase(it);
    child->SetParent(nullptr);
}

void View::SetParent(View* p) {
    parent = p;
}

View* View::GetParent() {
    return parent;
}

bool View::IsInside(int x, int y) {
    return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

View* View::FindOwner(int x, int y) {
    if (IsHidden() || !IsInside(x, y)) return nullptr;
    for (View* child : children) {
        if (child->IsHidden()) continue;
        if (View* found = child->FindOwner(x, y)) return found;
    }
    return this;
}

void View::Reposition(const PRect* r) {
    if (r) rect = *r;
}

int View::GetWidth() {
    return rect.right - rect.left;
}

int View::GetHeight() {
    return rect.bottom - rect.top;
}

void View::GetRect(PRect* r) {
    if (r) *r = rect;
}

void View::Resize(long w, long h) {
    rect.right = static_cast<int32_t>(rect.left + w);
    rect.bottom = static_cast<int32_t>(rect.top + h);
}

void View::OffsetRect(int dx, int dy) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
    redraw();
    for (View* child : children) child->OffsetRect(dx, dy);
}

void View::draw(GUI* gui) {
    if (!IsHidden()) {
        for (View* child : children) {
            // A hidden child is not drawn, whatever its own draw would do.
            if (child->IsHidden()) {
                child->needsRedraw = false;
                continue;
            }
            child->draw(gui);
        }
    }
    needsRedraw = false;
}

void View::redraw() {
    needsRedraw = true;
}

bool View::needsredraw() {
    if (IsHidden()) return false;
    if (needsRedraw) return true;
    for (View* child : children) {
        if (child->needsredraw()) return true;
    }
    return false;
}

void View::RedrawRecursive() {
    redraw();
    for (View* child : children) child->RedrawRecursive();
}

void View::RedrawAll() {
    View* root = this;
    while (root->GetParent()) root = root->GetParent();
    root->RedrawRecursive();
}

bool View::IsSelected() {
    return selected;
}

void View::SetSelected(bool select) {
    DeSelectAll();
    selected = select;
}

void View::DeSelectRecursive() {
    if (selected) {
        selected = false;
        redraw();
    }
    for (View* child : children) child->DeSelectRecursive();
}

void View::DeSelectAll() {
    View* root = this;
    while (root->GetParent()) root = root->GetParent();
    root->DeSelectRecursive();
}

View* View::FindSelected() {
    if (selected) return this;
    for (View* child : children) {
        if (View* found = child->FindSelected()) return found;
    }
    return nullptr;
}

void View::mousemove(int x, int y, GUI* gui) {
    if (IsHidden()) return;
    View* o = FindOwner(x, y);
    if (o) {
        if (o == hovered) return;
        if (hovered) hovered->mouseover(false, gui);
        o->mouseover(true, gui);
        hovered = o;
        return;
    }
    if (hovered) {
        hovered->mouseover(false, gui);
        hovered = nullptr;
    }
}
