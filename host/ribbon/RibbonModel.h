// The ribbon as the host sees it: the controls of the add-in's customUI document in document order, each
// with the callback names its attributes declare and the values those callbacks last returned.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ribbon {

// A picture's pixels as the add-in drew them (0xAARRGGBB, premultiplied, top-down rows).
struct Picture {
    long width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct GalleryItem {
    std::optional<std::string> label, screentip, supertip;
    std::optional<Picture> image;
};

struct Control {
    std::string kind; // the element name: tab, group, button, splitButton, gallery, menu...
    std::string id;   // the id attribute, as IRibbonControl::get_Id reports it
    std::map<std::string, std::string> attributes;
    std::vector<Control> children;

    // Set when the control must be asked again (first showing, Invalidate, InvalidateControl).
    bool dirty = true;
    std::optional<std::string> label, screentip, supertip;
    bool visible = true, enabled = true;
    std::optional<Picture> image;
    std::optional<int> itemCount, itemWidth, itemHeight;
    std::vector<GalleryItem> items;
    std::vector<std::string> errors; // the callbacks that failed at the last asking, with their HRESULT

    // The attribute's value, empty when absent.
    std::string Attribute(const std::string& name) const;
    // The number that ends a tag-form id ("_Office_Addin_Ctrl_Tag_1066" is 1066); -1 for other ids.
    long Number() const;
    bool Large() const { return Attribute("size") == "large"; }
};

struct Ribbon {
    std::string onLoad; // the customUI onLoad callback
    std::vector<Control> tabs;
};

// A group as it showed after its rows were scrolled: page 2 after one click of its scroll-down button...
struct GroupPage {
    int page = 0;
    Control group;
};

// One message as the ribbon showed it once the add-in was done (or the wait ran out).
struct ShownMessage {
    std::string file;
    Ribbon ribbon;
    std::vector<GroupPage> pages; // with --all: the later pages of the groups that scroll
    bool complete = true;    // the add-in's timer stopped before the deadline
    double waitSeconds = 0;  // the deadline, reported when not complete
};

// Parses a customUI document; false with a reason when it is not one.
bool ParseCustomUI(const std::string& xml, Ribbon& ribbon, std::string& error);

// Finds a control by its id anywhere in the tree; null when none has it.
Control* FindControl(Ribbon& ribbon, const std::string& id);

} // namespace ribbon
