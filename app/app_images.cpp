#include "app/app_images.h"

namespace paravue::app {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/paravue/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap TopBannerImage() {
    return QPixmap(QStringLiteral(":/paravue/banner_top.png"));
}
QPixmap HeaderBannerImage() {
    return QPixmap(QStringLiteral(":/paravue/banner_header.png"));
}
QPixmap FooterBannerImage() {
    return QPixmap(QStringLiteral(":/paravue/banner_footer.png"));
}

}  // namespace paravue::app
