// A picture control: shows one image centred in its rectangle, cut where it
// is larger. It takes no mouse input, so moves and clicks over it reach the
// dialog, which owns the link areas drawn on the banners.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace paravue::app {

class BannerPicture final : public QWidget {
  public:
    BannerPicture(const QPixmap& image, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap image_;
};

}  // namespace paravue::app
