#include "views/ViewRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A built-in skin table naming a type nobody registered is a programming error, not a user
// input: stop with the registry's own message.
[[noreturn]] void FailViewAssertion() {
    std::fprintf(stderr, "%s:%u: failed assertion `%s'\n", "ViewLib", 39u, "view != NULL");
    std::fflush(stderr);
    std::abort();
}

}  // namespace

RegisteredView::RegisteredView(ViewFactory factory, const char* name)
    : factory(factory), name(name ? name : "") {}

std::vector<RegisteredView>& GetRegisteredViews() {
    static std::vector<RegisteredView> views;
    return views;
}

void AddViewType(const char* name, ViewFactory factory) {
    GetRegisteredViews().emplace_back(factory, name);
}

View* CreateView(const ViewDefinition* row, PluginGUI* panel) {
    View* view = nullptr;
    if (row && row->typeName) {
        for (const RegisteredView& entry : GetRegisteredViews()) {
            if (entry.name == row->typeName) {
                if (entry.factory) view = entry.factory(row, panel);
                break;
            }
        }
    }
    if (view == nullptr) FailViewAssertion();
    return view;
}
