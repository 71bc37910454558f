#include "app/banner_picture.h"

#include <QPainter>

#include "app/dialog_template.h"

namespace paravue::app {

BannerPicture::BannerPicture(const QPixmap& image, QWidget* parent)
    : QWidget(parent), image_(image) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BannerPicture::paintEvent(QPaintEvent*) {
    // Centred the same way the link areas were measured, not by the style's rule.
    QPoint origin =
        CentredImageOrigin(QRect(QPoint(0, 0), size()), image_.deviceIndependentSize().toSize());
    QPainter painter(this);
    painter.drawPixmap(origin, image_);
}

}  // namespace paravue::app
