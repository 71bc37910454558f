// The main dialog's fixed layout, written once in dialog units and converted
// to pixels at 1.75 pixels per unit (the dialog font's base units at 96 dpi),
// and the link areas on its banners, which are in those pixels: every control
// must come from here. The banner images are drawn from it at build time.
#pragma once

#include <array>
#include <string_view>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace paravue::app {

struct DialogUnitRect {
    int x;
    int y;
    int width;
    int height;
};

// 1.75 = 7/4, halves rounded down: 87.5 -> 87, 115.5 -> 115, 78.75 -> 79.
constexpr int DialogUnitsToPixels(int units) {
    return (units * 7 + 1) / 4;
}

constexpr QRect DialogUnitsToPixels(DialogUnitRect r) {
    return QRect(DialogUnitsToPixels(r.x), DialogUnitsToPixels(r.y), DialogUnitsToPixels(r.width),
                 DialogUnitsToPixels(r.height));
}

namespace dialog_template {

inline constexpr int kWidthUnits = 546;
inline constexpr int kHeightUnits = 325;

inline constexpr DialogUnitRect kRefreshButton = {495, 66, 50, 16};
inline constexpr DialogUnitRect kCloseButton = {495, 84, 50, 16};
inline constexpr DialogUnitRect kReport = {3, 66, 489, 232};
inline constexpr DialogUnitRect kTopBanner = {0, 1, 545, 18};
inline constexpr DialogUnitRect kHeaderBanner = {0, 17, 545, 45};
inline constexpr DialogUnitRect kFooterBanner = {0, 300, 545, 24};

// Not in the template: the modem chooser, shown only while the service lists
// two modems or more, in the buttons' column below "&Close", so that nothing
// else moves.
inline constexpr DialogUnitRect kModemChooser = {495, 102, 50, 14};

// Pixel sizes of the three banner images, drawn centred in their pictures.
inline constexpr QSize kTopBannerImage = {955, 36};
inline constexpr QSize kHeaderBannerImage = {955, 90};
inline constexpr QSize kFooterBannerImage = {955, 46};

}  // namespace dialog_template

constexpr QSize DialogClientSize() {
    return QSize(DialogUnitsToPixels(dialog_template::kWidthUnits),
                 DialogUnitsToPixels(dialog_template::kHeightUnits));
}

// Where an image of `image` size lands when centred in a picture at `control`
// (an image larger than its picture is cut evenly, the odd pixel at the end).
constexpr QPoint CentredImageOrigin(QRect control, QSize image) {
    return QPoint(control.x() + (control.width() - image.width()) / 2,
                  control.y() + (control.height() - image.height()) / 2);
}

struct LinkArea {
    // Exclusive bounds: a point is inside when left < x < right and top < y < bottom,
    // so the border pixels belong to no area.
    int left;
    int top;
    int right;
    int bottom;
    std::string_view target;
    std::string_view label;  // what the banner shows inside the area
};

inline constexpr std::array<LinkArea, 7> kLinkAreas = {{
    {1, 5, 670, 26, "https://paravue.example/", "Paravue for Mobile Data"},
    {674, 5, 821, 26, "mailto:feedback@paravue.example", "Send feedback"},
    {829, 5, 949, 26, "https://paravue.example/downloads", "Downloads"},
    {459, 531, 592, 557, "https://community.paravue.example/", "Community"},
    {604, 531, 721, 557, "https://blog.paravue.example/", "Blog"},
    {734, 531, 824, 557, "https://microblog.example/paravue", "Microblog"},
    {837, 531, 949, 557, "https://social.example/paravue", "Social"},
}};

inline constexpr int kNoLink = -1;

constexpr bool Contains(const LinkArea& area, QPoint p) {
    return area.left < p.x() && p.x() < area.right && area.top < p.y() && p.y() < area.bottom;
}

// Index of the first area that contains `p`, or kNoLink.
constexpr int HitTestLinkAreas(QPoint p) {
    for (int i = 0; i < static_cast<int>(kLinkAreas.size()); ++i) {
        if (Contains(kLinkAreas[i], p))
            return i;
    }
    return kNoLink;
}

}  // namespace paravue::app
