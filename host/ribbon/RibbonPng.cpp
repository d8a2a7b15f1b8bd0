// The tab drawn as a ribbon with cairo and Pango: the tab's name above, the groups side by side with their
// labels at the bottom, large buttons as a 32-pixel picture over their label, small controls in columns of
// three rows, separators as lines, disabled controls greyed. Galleries show their items as the pictures
// the add-in drew, in an open drop-down panel below the ribbon.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "host/ribbon/RibbonRender.h"
#include "host/ui/PixelSurface.h"

namespace ribbon {

namespace {

const char kFont[] = "Segoe UI, Noto Sans, Sans 9";
const double kTabStrip = 26, kRowHeight = 24, kRows = 3, kPad = 4, kGroupLabel = 20;
const double kBodyHeight = kPad * 2 + kRowHeight * kRows + kGroupLabel + 4;
const double kLargeWidthMin = 44;

bool Shown(const Control& c) { return c.visible; }

// The part of a split button that shows: its first button.
const Control* MainButton(const Control& c)
{
    for (const Control& child : c.children)
        if (child.kind == "button" || child.kind == "toggleButton")
            return &child;
    return nullptr;
}

struct Face {
    std::string label;
    const Picture* image = nullptr;
    bool enabled = true, showImage = false, arrow = false, large = false;
};

Face FaceOf(const Control& c)
{
    Face f;
    const Control* source = &c;
    if (c.kind == "splitButton") {
        if (const Control* main = MainButton(c))
            source = main;
        f.arrow = true;
    }
    if (c.kind == "gallery" || c.kind == "menu" || c.kind == "dynamicMenu")
        f.arrow = true;
    if (source->Attribute("showLabel") != "false" && source->label)
        f.label = *source->label;
    f.image = source->image ? &*source->image : nullptr;
    f.showImage = f.image || source->Attribute("showImage") == "true";
    f.enabled = c.enabled && source->enabled;
    f.large = c.Large() || source->Large();
    return f;
}

class Painter {
public:
    explicit Painter(cairo_t* cr) : m_cr(cr), m_layout(pango_cairo_create_layout(cr))
    {
        PangoFontDescription* font = pango_font_description_from_string(kFont);
        pango_layout_set_font_description(m_layout, font);
        pango_font_description_free(font);
    }
    ~Painter() { g_object_unref(m_layout); }

    double TextWidth(const std::string& text, double wrap = -1)
    {
        SetText(text, wrap);
        int w = 0, h = 0;
        pango_layout_get_pixel_size(m_layout, &w, &h);
        return w;
    }
    void Text(const std::string& text, double x, double y, bool enabled, double wrap = -1, bool centred = false)
    {
        SetText(text, wrap);
        pango_layout_set_alignment(m_layout, centred ? PANGO_ALIGN_CENTER : PANGO_ALIGN_LEFT);
        cairo_set_source_rgb(m_cr, enabled ? 0.15 : 0.62, enabled ? 0.15 : 0.62, enabled ? 0.15 : 0.62);
        cairo_move_to(m_cr, x, y);
        pango_cairo_show_layout(m_cr, m_layout);
        pango_layout_set_alignment(m_layout, PANGO_ALIGN_LEFT);
    }
    // The picture scaled into a size x size square (or at its own size when size is 0).
    void Image(const Picture& p, double x, double y, double size, bool enabled)
    {
        cairo_surface_t* s = host::SurfaceOfPixels(p.width, p.height, p.pixels);
        if (!s)
            return;
        cairo_save(m_cr);
        cairo_translate(m_cr, x, y);
        if (size > 0) {
            double scale = size / double(std::max(p.width, p.height));
            cairo_scale(m_cr, scale, scale);
        }
        cairo_set_source_surface(m_cr, s, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_GOOD);
        cairo_paint_with_alpha(m_cr, enabled ? 1.0 : 0.35);
        cairo_restore(m_cr);
        cairo_surface_destroy(s);
    }
    void Placeholder(double x, double y, double size, bool enabled)
    {
        cairo_set_source_rgba(m_cr, 0.55, 0.6, 0.7, enabled ? 0.6 : 0.25);
        cairo_rectangle(m_cr, x + 1.5, y + 1.5, size - 3, size - 3);
        cairo_set_line_width(m_cr, 1);
        cairo_stroke(m_cr);
    }
    void Arrow(double x, double y, bool enabled)
    {
        cairo_set_source_rgb(m_cr, enabled ? 0.3 : 0.65, enabled ? 0.3 : 0.65, enabled ? 0.3 : 0.65);
        cairo_move_to(m_cr, x, y);
        cairo_line_to(m_cr, x + 7, y);
        cairo_line_to(m_cr, x + 3.5, y + 4);
        cairo_close_path(m_cr);
        cairo_fill(m_cr);
    }
    void Line(double x0, double y0, double x1, double y1, double grey)
    {
        cairo_set_source_rgb(m_cr, grey, grey, grey);
        cairo_set_line_width(m_cr, 1);
        cairo_move_to(m_cr, x0, y0);
        cairo_line_to(m_cr, x1, y1);
        cairo_stroke(m_cr);
    }
    void Box(double x, double y, double w, double h, double fill, double border)
    {
        cairo_rectangle(m_cr, x + 0.5, y + 0.5, w - 1, h - 1);
        cairo_set_source_rgb(m_cr, fill, fill, fill);
        cairo_fill_preserve(m_cr);
        cairo_set_source_rgb(m_cr, border, border, border);
        cairo_set_line_width(m_cr, 1);
        cairo_stroke(m_cr);
    }

private:
    void SetText(const std::string& text, double wrap)
    {
        pango_layout_set_text(m_layout, text.c_str(), int(text.size()));
        pango_layout_set_width(m_layout, wrap > 0 ? int(wrap * PANGO_SCALE) : -1);
        pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
    }
    cairo_t* m_cr;
    PangoLayout* m_layout;
};

struct Column {
    bool separator = false, large = false;
    std::vector<const Control*> rows;
    double width = 0;
};

struct GroupLayout {
    const Control* group = nullptr;
    std::vector<Column> columns;
    const Control* launcher = nullptr;
    double x = 0, width = 0;
};

struct Panel {
    const Control* gallery;
    double x, y, width, height;
};

double SmallWidth(Painter& p, const Control& c)
{
    if (c.kind == "separator")
        return 0;
    if (c.kind == "box") {
        double w = 0;
        for (const Control& child : c.children)
            if (Shown(child))
                w += SmallWidth(p, child);
        return w;
    }
    Face f = FaceOf(c);
    double w = kPad;
    if (f.showImage)
        w += 18;
    if (!f.label.empty())
        w += p.TextWidth(f.label) + 2;
    if (f.arrow)
        w += 11;
    return std::max(w + kPad, 22.0);
}

double LargeWidth(Painter& p, const Control& c)
{
    Face f = FaceOf(c);
    double text = f.label.empty() ? 0 : std::min(p.TextWidth(f.label), 90.0);
    return std::max(kLargeWidthMin, text + 10);
}

GroupLayout LayOut(Painter& p, const Control& group)
{
    GroupLayout g;
    g.group = &group;
    Column current;
    auto flush = [&] {
        if (!current.rows.empty())
            g.columns.push_back(current);
        current = Column();
    };
    for (const Control& c : group.children) {
        if (!Shown(c))
            continue;
        if (c.kind == "dialogBoxLauncher") {
            g.launcher = &c;
        } else if (c.kind == "separator") {
            flush();
            Column sep;
            sep.separator = true;
            sep.width = 9;
            g.columns.push_back(sep);
        } else if (FaceOf(c).large) {
            flush();
            Column large;
            large.large = true;
            large.rows.push_back(&c);
            large.width = LargeWidth(p, c);
            g.columns.push_back(large);
        } else {
            if (current.rows.size() == size_t(kRows))
                flush();
            current.rows.push_back(&c);
            current.width = std::max(current.width, SmallWidth(p, c));
        }
    }
    flush();
    double content = kPad;
    for (const Column& col : g.columns)
        content += col.width + 2;
    double label = group.label ? p.TextWidth(*group.label) : 0;
    g.width = std::max(content + kPad, label + (g.launcher ? 30 : 16));
    return g;
}

void DrawSmall(Painter& p, const Control& c, double x, double y, double width)
{
    if (c.kind == "box") {
        for (const Control& child : c.children)
            if (Shown(child)) {
                double w = SmallWidth(p, child);
                DrawSmall(p, child, x, y, w);
                x += w;
            }
        return;
    }
    Face f = FaceOf(c);
    double cx = x + kPad;
    if (c.kind == "gallery" || c.kind == "splitButton")
        p.Box(x + 1, y + 1, width - 2, kRowHeight - 2, 0.985, 0.85);
    if (f.showImage) {
        if (f.image)
            p.Image(*f.image, cx, y + 4, 16, f.enabled);
        else
            p.Placeholder(cx, y + 4, 16, f.enabled);
        cx += 18;
    }
    if (!f.label.empty()) {
        p.Text(f.label, cx, y + 4, f.enabled);
        cx += p.TextWidth(f.label) + 2;
    }
    if (f.arrow)
        p.Arrow(x + width - kPad - 8, y + 10, f.enabled);
}

void DrawLarge(Painter& p, const Control& c, double x, double y, double width)
{
    Face f = FaceOf(c);
    double ix = x + (width - 32) / 2;
    if (f.image)
        p.Image(*f.image, ix, y + 2, 32, f.enabled);
    else
        p.Placeholder(ix, y + 2, 32, f.enabled);
    if (!f.label.empty())
        p.Text(f.label, x + 2, y + 36, f.enabled, width - 4, true);
    if (f.arrow)
        p.Arrow(x + width / 2 - 3.5, y + kRowHeight * kRows - 8, f.enabled);
}

void DrawGroup(Painter& p, const GroupLayout& g, double top)
{
    double x = g.x + kPad;
    double y = top + kPad;
    for (const Column& col : g.columns) {
        if (col.separator) {
            p.Line(x + col.width / 2, y + 2, x + col.width / 2, y + kRowHeight * kRows - 2, 0.82);
        } else if (col.large) {
            DrawLarge(p, *col.rows[0], x, y, col.width);
        } else {
            for (size_t r = 0; r < col.rows.size(); ++r)
                DrawSmall(p, *col.rows[r], x, y + double(r) * kRowHeight, col.width);
        }
        x += col.width + 2;
    }
    double labelY = top + kBodyHeight - kGroupLabel - 2;
    std::string label = g.group->label.value_or("");
    double lw = p.TextWidth(label);
    p.Text(label, g.x + (g.width - lw) / 2, labelY, true);
    if (g.launcher) {
        const Control* button = MainButton(*g.launcher);
        bool enabled = g.launcher->enabled && (!button || button->enabled);
        double lx = g.x + g.width - 13, ly = labelY + 4;
        p.Line(lx, ly, lx + 7, ly, enabled ? 0.4 : 0.75);
        p.Line(lx, ly, lx, ly + 7, enabled ? 0.4 : 0.75);
        p.Line(lx + 2, ly + 2, lx + 7, ly + 7, enabled ? 0.4 : 0.75);
    }
    p.Line(g.x + g.width - 0.5, top + 4, g.x + g.width - 0.5, top + kBodyHeight - 4, 0.8);
}

// Every visible gallery among the group's controls with where it was drawn.
void FindGalleries(const GroupLayout& g, std::vector<Panel>& panels)
{
    double x = g.x + kPad;
    for (const Column& col : g.columns) {
        for (const Control* c : col.rows)
            if (c->kind == "gallery" && !c->items.empty())
                panels.push_back({c, x, 0, 0, 0});
        x += col.width + 2;
    }
}

void PlacePanels(std::vector<Panel>& panels, double top)
{
    std::vector<Panel> placed;
    for (Panel& panel : panels) {
        double w = 8, h = 8 + 18;
        for (const GalleryItem& item : panel.gallery->items) {
            w = std::max(w, double(item.image ? item.image->width : 120) + 8);
            h += double(item.image ? item.image->height : 20) + 2;
        }
        panel.width = w;
        panel.height = h;
        panel.y = top;
        // Below every panel it would overlap.
        bool moved = true;
        while (moved) {
            moved = false;
            for (const Panel& other : placed)
                if (panel.x < other.x + other.width && other.x < panel.x + panel.width &&
                    panel.y < other.y + other.height + 6 && other.y < panel.y + panel.height) {
                    panel.y = other.y + other.height + 6;
                    moved = true;
                }
        }
        placed.push_back(panel);
    }
}

void DrawPanel(Painter& p, const Panel& panel)
{
    p.Box(panel.x, panel.y, panel.width, panel.height, 1.0, 0.6);
    p.Text(panel.gallery->label.value_or(panel.gallery->id), panel.x + 4, panel.y + 3, true);
    double y = panel.y + 4 + 18;
    for (const GalleryItem& item : panel.gallery->items) {
        if (item.image) {
            p.Image(*item.image, panel.x + 4, y, 0, panel.gallery->enabled);
            y += double(item.image->height) + 2;
        } else {
            p.Text(item.label.value_or(""), panel.x + 4, y, panel.gallery->enabled);
            y += 22;
        }
    }
}

bool WritePng(cairo_surface_t* surface, const std::string& path, std::string& error)
{
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        error = path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

bool Message(const std::string& text, const std::string& path, std::string& error)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 320, 60);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_paint(cr);
    {
        Painter p(cr);
        p.Text(text, 12, 20, false);
    }
    cairo_destroy(cr);
    bool ok = WritePng(surface, path, error);
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace

bool RenderPng(const ShownMessage& shown, const std::string& path, std::string& error)
{
    const Control* tab = nullptr;
    for (const Control& t : shown.ribbon.tabs)
        if (t.visible) {
            tab = &t;
            break;
        }
    if (!tab)
        return Message(shown.ribbon.tabs.empty() ? "no tab" : "tab hidden", path, error);

    // Measure on a scratch surface, then draw.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* measure = cairo_create(scratch);
    std::vector<GroupLayout> groups;
    double width = 8;
    double tabLabel = 0;
    {
        Painter p(measure);
        tabLabel = p.TextWidth(tab->label.value_or(tab->id));
        for (const Control& g : tab->children)
            if (g.kind == "group" && Shown(g)) {
                groups.push_back(LayOut(p, g));
                groups.back().x = width;
                width += groups.back().width;
            }
    }
    cairo_destroy(measure);
    cairo_surface_destroy(scratch);
    width = std::max(width + 8, tabLabel + 40);

    std::vector<Panel> panels;
    for (const GroupLayout& g : groups)
        FindGalleries(g, panels);
    double ribbonBottom = kTabStrip + kBodyHeight;
    PlacePanels(panels, ribbonBottom + 2);
    double height = ribbonBottom + 6;
    for (const Panel& panel : panels) {
        height = std::max(height, panel.y + panel.height + 8);
        width = std::max(width, panel.x + panel.width + 8);
    }

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(std::ceil(width)), int(std::ceil(height)));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    {
        Painter p(cr);
        // The tab strip with the add-in's tab selected, and the ribbon body under it.
        cairo_set_source_rgb(cr, 0.16, 0.34, 0.6);
        cairo_rectangle(cr, 0, 0, width, kTabStrip);
        cairo_fill(cr);
        p.Box(8, 4, tabLabel + 24, kTabStrip - 3, 0.96, 0.96);
        p.Text(tab->label.value_or(tab->id), 20, 7, tab->enabled);
        p.Box(0, kTabStrip, width, kBodyHeight, 0.96, 0.82);
        for (const GroupLayout& g : groups)
            DrawGroup(p, g, kTabStrip);
        for (const Panel& panel : panels)
            DrawPanel(p, panel);
        if (!shown.complete)
            p.Text("requests still outstanding", width - 180, ribbonBottom - 16, false);
    }
    cairo_destroy(cr);
    bool ok = WritePng(surface, path, error);
    cairo_surface_destroy(surface);
    return ok;
}

std::string PngPath(const std::string& path, size_t index)
{
    if (index == 0)
        return path;
    std::string stem = path;
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) && path.substr(dot) == ".png")
        stem = path.substr(0, dot);
    return stem + "-" + std::to_string(index + 1) + ".png";
}

} // namespace ribbon
