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
    // A gallery's content: asked when it is opened, kept until the gallery is invalidated. Empty (no count)
    // while it was not opened since.
    bool contentInvalid = true;
    std::optional<int> itemCount, itemWidth, itemHeight;
    std::vector<GalleryItem> items;
    // The callbacks that failed at the last asking, with their HRESULT; the content's failures at the last
    // opening come last, and are also in contentErrors.
    std::vector<std::string> errors;
    std::vector<std::string> contentErrors;

    // The attribute's value, empty when absent.
    std::string Attribute(const std::string& name) const;
    // The number that ends a tag-form id ("_Office_Addin_Ctrl_Tag_1066" is 1066); -1 for other ids.
    long Number() const;
    bool Large() const { return Attribute("size") == "large"; }
    // A gallery's items are asked when a person drops it down; other controls with items show them in place.
    bool OpensForItems() const { return kind == "gallery"; }
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
// Another open window's tab as it shows at the end of a step: what Office last asked of its controls.
struct WindowTab {
    std::string window; // "explorer", or "read N" for the N-th open Read window (from 1)
    std::string file;   // the message it shows
    Ribbon ribbon;
};

struct ShownMessage {
    std::string file;
    Ribbon ribbon;
    std::string window = "explorer"; // the window the message was shown in (WindowTab's names)
    std::vector<WindowTab> otherWindows; // the other open windows, while a Read window is open
    std::vector<GroupPage> pages; // with --all: the later pages of the groups that scroll
    bool complete = true;    // the add-in's timer stopped before the deadline
    double waitSeconds = 0;  // the deadline, reported when not complete
};

// Parses a customUI document; false with a reason when it is not one.
bool ParseCustomUI(const std::string& xml, Ribbon& ribbon, std::string& error);

// Finds a control by its id anywhere in the tree; null when none has it.
Control* FindControl(Ribbon& ribbon, const std::string& id);
// The controls from the tab down to the one with the id (that one last); empty when none has it.
std::vector<Control*> FindPath(Ribbon& ribbon, const std::string& id);

} // namespace ribbon
