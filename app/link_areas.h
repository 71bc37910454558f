// The seven link areas on the top banner and the footer: client-area pixel
// rectangles with the address each one opens.
#pragma once

#include <array>
#include <string_view>

#include <QPoint>

namespace paravue::app {

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
