#pragma once
// The data that describes one page of the window: title, size, background, named text
// styles, named pictures and the controls. Pages are data; the window interprets them.

#include <map>
#include <string>
#include <vector>

namespace ui {

// A named picture: a place inside an RCDATA PNG resource. It has no size of its own;
// whoever draws it takes as many pixels from (x, y) as the target rectangle needs.
struct ImageDescription {
    std::wstring resource;  // RCDATA resource name, matched without regard to case
    int x = 0;              // may be negative
    int y = 0;
};

// A named text style.
struct FontDescription {
    std::wstring face;
    // Labels and links: em size in points. The edit control: the logical font height
    // (positive is the cell height, negative the character height).
    int size = 0;
    int weight = 0;  // edit control only; drawn text is always regular
    int color = 0;   // 0x00RRGGBB, labels and links; drawn opaque
};

// One control. type is "button", "link", "check", "label", "progress" or "edit";
// style holds picture or text-style names by type:
//   button:   normal, hover, disabled ("" = the normal picture)
//   check:    unchecked, checked
//   link:     text style normal, text style hover
//   label:    text style
//   progress: style[1] is the picture of the fill
//   edit:     text style of its font (size and weight)
struct ControlDescription {
    std::wstring type;
    std::wstring name;
    std::wstring text;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::wstring style[3];
};

struct PageDescription {
    std::wstring title;  // also the caption of every message box
    int width = 0;       // client size in pixels
    int height = 0;
    std::wstring background;  // picture name painted over the whole client area
    std::map<std::wstring, FontDescription> fonts;
    std::map<std::wstring, ImageDescription> images;
    std::vector<ControlDescription> controls;  // in creation order
};

}  // namespace ui
