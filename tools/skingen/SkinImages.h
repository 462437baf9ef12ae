#pragma once
// Every image the skin tables name, drawn at the size its controls need.

#include <string>
#include <vector>

#include "tools/skingen/Image.h"

struct NamedImage {
    std::string name;
    Image image;
};

// All images of the archive, backgrounds included. Problems that do not stop the build
// (a legend with no room) go to `warnings`.
std::vector<NamedImage> BuildSkinImages(std::vector<std::string>& warnings);

// The image names that the init texts of all five tables mention, each once, in table order.
std::vector<std::string> ImageNamesInTables();
