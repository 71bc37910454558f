// The images built into the program: the application icon and the three banners.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace paravue::app {

QIcon AppIcon();
QPixmap TopBannerImage();
QPixmap HeaderBannerImage();
QPixmap FooterBannerImage();

}  // namespace paravue::app
