#pragma once
// The registry of view types: each skin row names its type, and the registry maps the name to
// a factory that builds the view. Types are registered by explicit start-up functions, never by
// static initialisers.

#include <string>
#include <vector>

#include "views/View.h"
#include "views/ViewDefinition.h"

using ViewFactory = View* (*)(const ViewDefinition* row, PluginGUI* panel);

// One entry: a factory and its type name (an own copy).
struct RegisteredView {
    RegisteredView(ViewFactory factory, const char* name);

    ViewFactory factory;
    std::string name;
};

// The registry, in registration order (made on first use).
std::vector<RegisteredView>& GetRegisteredViews();
// Appends an entry; a name registered twice is found at its first entry only.
void AddViewType(const char* name, ViewFactory factory);
// The new view for the row, from the first entry whose name equals the row's type name
// (case-sensitive). An unknown name, or a factory giving no view, stops the program with the
// message "ViewLib:39: failed assertion `view != NULL'".
View* CreateView(const ViewDefinition* row, PluginGUI* panel);

// The factory of view type T: a new T over the row and the panel.
template <class T>
struct RegistrationHelper {
    static View* Create(const ViewDefinition* row, PluginGUI* panel) { return new T(row, panel); }
};
