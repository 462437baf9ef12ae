#include "views/PluginGUI.h"

#include <cstring>

#include "core/Resource.h"
#include "views/ViewRegistry.h"

int PluginGUI::instanceCount = 0;
std::vector<PluginGUI::NamedBitmap*> PluginGUI::bitmaps;

PluginGUI::NamedBitmap::NamedBitmap(const void* data, long len) : Bitmap(data, len) {}

PluginGUI::NamedBitmap::~NamedBitmap() = default;

PluginGUI::PluginGUI(Plugin* plugin, const ViewDefinition* table, int rows)
    : plugin(plugin), gui(nullptr), table(table), rows(rows > 0 && table ? rows : 0) {
    const int parameterCount = plugin ? static_cast<int>(plugin->count) : 0;
    related.resize(parameterCount);
    views.assign(this->rows, nullptr);
    for (unsigned k = 0; k < this->rows; ++k) {
        const ViewDefinition* row = &table[k];
        View* v = CreateView(row, this);
        const int32_t parentRow = row->parentRow;
        // Parents precede their children; a row naming itself or a later row stays unattached.
        if (parentRow >= 0 && static_cast<unsigned>(parentRow) < k && views[parentRow]) {
            views[parentRow]->Attach(v);
        }
        v->Initialise(row->initText);
        int slots = 0;
        // The list ends at -1, and in any case within the row's entries.
        while (slots < kMaxRelatedParameters && row->relatedParameters[slots] != kEndOfParameters) {
            const int32_t index = row->relatedParameters[slots];
            if (index >= 0 && index < parameterCount) {
                related[index].push_back({static_cast<int>(k), slots});
            }
            ++slots;
        }
        v->SetRelatedParameterCount(slots);
        views[k] = v;
    }
    if (plugin) plugin->observers.push_back(this);
    ++instanceCount;
}

PluginGUI::~PluginGUI() {
    if (plugin) plugin->RemoveParameterObserver(this);
    // The root owns the tree. Views of rows left unattached (no valid parent) are owned by
    // nobody else, so they are deleted here as well, each with its own subtree. They are all
    // found before any is deleted: deleting one deletes the views attached below it.
    std::vector<View*> detached;
    for (unsigned k = 1; k < views.size(); ++k) {
        if (views[k] && views[k]->GetParent() == nullptr) detached.push_back(views[k]);
    }
    for (View* v : detached) delete v;
    if (!views.empty()) delete views[0];
    views.clear();
    delete gui;
    gui = nullptr;
    related.clear();
    if (--instanceCount == 0) {
        for (NamedBitmap* b : bitmaps) delete b;
        bitmaps.clear();
    }
}

void PluginGUI::NotifyParameterChanged(int index) {
    if (index < 0 || static_cast<size_t>(index) >= related.size()) return;
    // By position and by copy of the binding: a notified view may not change the bindings, but
    // an observer re-entering the panel must not see a moved list.
    const std::vector<RelatedParameter>& list = related[index];
    for (size_t i = 0; i < list.size(); ++i) {
        const RelatedParameter binding = list[i];
        if (View* v = GetView(binding.row)) v->notify(binding.slot);
    }
}

void PluginGUI::Refresh() {
    for (size_t i = 0; i < related.size(); ++i) NotifyParameterChanged(static_cast<int>(i));
}

void PluginGUI::SetGUI(GUI* surface) {
    gui = surface;
    Refresh();
}

void PluginGUI::CreateGUI(WindowPort* window) {
    delete gui;
    gui = new GUI(window);
    Refresh();
}

void PluginGUI::GetSize(int& width, int& height) {
    if (!table || rows == 0) {
        width = height = 0;
        return;
    }
    width = table[0].rect.right - table[0].rect.left;
    height = table[0].rect.bottom - table[0].rect.top;
}

void PluginGUI::SetViewOffset(int x, int y) {
    View* root = Root();
    if (!root || !table) return;
    PRect now;
    root->GetRect(&now);
    root->OffsetRect(table[0].rect.left + x - now.left, table[0].rect.top + y - now.top);
}

void PluginGUI::draw() {
    View* root = Root();
    if (!root || !gui) return;
    // The surface is held locally: a view may detach it while the call runs.
    GUI* surface = gui;
    surface->StartRedraw();
    root->draw(surface);
    surface->EndRedraw();
}

void PluginGUI::mouse(int x, int y, int button, int down) {
    View* root = Root();
    if (!root || !gui) return;
    GUI* surface = gui;
    surface->StartRedraw();
    if (surface->AltIsDown()) {
        root->altclick(x, y, surface);
    } else {
        root->mouse(x, y, button, down != 0, surface);
    }
    surface->EndRedraw();
}

void PluginGUI::mousemove(int x, int y) {
    View* root = Root();
    if (!root || !gui) return;
    GUI* surface = gui;
    surface->StartRedraw();
    root->mousemove(x, y, surface);
    surface->EndRedraw();
}

void PluginGUI::key(int ch, int code) {
    View* root = Root();
    if (!root || !gui) return;
    GUI* surface = gui;
    surface->StartRedraw();
    root->key(ch, code, surface);
    surface->EndRedraw();
}

void PluginGUI::idle() {
    View* root = Root();
    if (!root || !gui) return;
    GUI* surface = gui;
    surface->StartRedraw();
    root->idle(surface);
    surface->EndRedraw();
}

void PluginGUI::tick() {
    View* root = Root();
    if (!root || !gui) return;
    GUI* surface = gui;
    surface->StartRedraw();
    root->tick(surface);
    surface->EndRedraw();
}

bool PluginGUI::NeedsRedraw() {
    View* root = Root();
    return root && root->needsredraw();
}

Parameter* PluginGUI::BoundParameter(ViewID id, int slot, int* index) {
    if (!plugin || id >= rows || !views[id] || slot < 0 || slot >= kMaxRelatedParameters ||
        slot >= views[id]->GetRelatedParameterCount()) {
        return nullptr;
    }
    const int32_t p = table[id].relatedParameters[slot];
    if (p < 0 || static_cast<unsigned long>(p) >= plugin->count ||
        static_cast<size_t>(p) >= plugin->params.size()) {
        return nullptr;
    }
    if (index) *index = p;
    return plugin->params[p];
}

float PluginGUI::GetControlNormalisedValue(ViewID id, int slot) {
    Parameter* p = BoundParameter(id, slot, nullptr);
    return p ? p->value : 0.0f;
}

float PluginGUI::GetControlUnnormalisedValue(ViewID id, int slot) {
    Parameter* p = BoundParameter(id, slot, nullptr);
    return p ? p->GetUnNormalisedValue() : 0.0f;
}

void PluginGUI::GetControlText(ViewID id, int slot, char* buf, int len) {
    Parameter* p = BoundParameter(id, slot, nullptr);
    if (p && buf && len >= 0) p->GetTextualValue(buf, len);
}

void PluginGUI::ControlHasChangedNormalisedValue(ViewID id, int slot, float value) {
    int index = 0;
    Parameter* p = BoundParameter(id, slot, &index);
    if (!p) return;
    p->value = value;
    plugin->NotifyParameterHasChanged(index, true);
}

void PluginGUI::ControlHasChangedUnnormalisedValue(ViewID id, int slot, float value) {
    int index = 0;
    Parameter* p = BoundParameter(id, slot, &index);
    if (!p) return;
    p->SetUnNormalisedValue(value);
    plugin->NotifyParameterHasChanged(index, true);
}

void PluginGUI::ControlHasChangedText(ViewID id, int slot, const char* text) {
    int index = 0;
    Parameter* p = BoundParameter(id, slot, &index);
    if (!p || !text) return;
    p->SetTextualValue(text, static_cast<int>(std::strlen(text)));
    plugin->NotifyParameterHasChanged(index, true);
}

void PluginGUI::ResetControlToDefault(ViewID id, int slot) {
    int index = 0;
    Parameter* p = BoundParameter(id, slot, &index);
    if (!p) return;
    p->SetUnNormalisedValue(p->defaultValue);
    plugin->NotifyParameterHasChanged(index, true);
}

void PluginGUI::ResetControlsToDefaults(ViewID id) {
    View* v = GetView(id);
    if (!v) return;
    for (int s = 0; s < v->GetRelatedParameterCount(); ++s) {
        if (v->ShouldResetParameter(s)) ResetControlToDefault(id, s);
    }
}

PluginGUI::NamedBitmap* PluginGUI::GetBitmap(const char* name) {
    if (!name) return nullptr;
    for (NamedBitmap* b : bitmaps) {
        if (Resource::ResStrcmp(b->name.c_str(), name) == 0) return b;
    }
    int len = 0;
    const unsigned char* data = GetResourceDataByName(name, &len);
    if (!data) return nullptr;
    NamedBitmap* b = new NamedBitmap(data, len);
    // The name as the comparison sees it: up to its first byte below 32.
    size_t n = 0;
    while (static_cast<signed char>(name[n]) >= 32) ++n;
    b->name.assign(name, n);
    bitmaps.push_back(b);
    return b;
}

const unsigned char* PluginGUI::GetResourceDataByName(const char* name, int* len) {
    ResourceElement* e = name ? g_resources.GetResourceByName(name) : nullptr;
    if (!e || !e->GetData() || e->GetLength() < 0) {
        if (len) *len = 0;
        return nullptr;
    }
    if (len) *len = e->GetLength();
    return e->GetData();
}
