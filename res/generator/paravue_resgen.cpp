// Draws the window's banners and the application icon's PNG sizes.
//
//   paravue-resgen OUTDIR
//
// writes OUTDIR/banner_top.png, banner_header.png, banner_footer.png and
// OUTDIR/icons/<size>.png. The link labels are drawn inside the link areas the
// window hit-tests, placed where each banner lands in the dialog, so labels and
// areas cannot drift apart. The icon repeats the shapes of
// res/example.paravue.MobileData.svg.
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

#include "app/dialog_layout.h"

namespace {

using paravue::app::CentredImageOrigin;
using paravue::app::DialogUnitsToPixels;
using paravue::app::kLinkAreas;
using paravue::app::LinkArea;
namespace dialog_template = paravue::app::dialog_template;

const QColor kNavy(0x0d, 0x3f, 0x80);
const QColor kBlue(0x2a, 0x7d, 0xe1);
const QColor kInk(0x12, 0x2b, 0x4a);

QFont SansFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The icon's shapes on a 256-pixel grid (as in the SVG).
struct Bar {
    qreal x, y, width, height, opacity;
};
constexpr Bar kBars[] = {
    {46, 156, 30, 44, 1.0},
    {92, 124, 30, 76, 1.0},
    {138, 92, 30, 108, 1.0},
    {184, 60, 30, 140, 0.5},
};

void DrawIcon(QPainter& painter, const QRectF& target) {
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / 256.0, target.height() / 256.0);
    painter.setPen(Qt::NoPen);
    QLinearGradient tile(0, 8, 0, 248);
    tile.setColorAt(0, kBlue);
    tile.setColorAt(1, kNavy);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 52, 52);
    for (const Bar& bar : kBars) {
        painter.setOpacity(bar.opacity);
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(QRectF(bar.x, bar.y, bar.width, bar.height), 6, 6);
    }
    painter.restore();
}

QImage IconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawIcon(painter, QRectF(0, 0, size, size));
    return image;
}

// A link area in the coordinates of a banner drawn at `origin` in the dialog.
QRect AreaInImage(const LinkArea& area, QPoint origin) {
    return QRect(QPoint(area.left + 1, area.top + 1), QPoint(area.right - 1, area.bottom - 1))
        .translated(-origin);
}

QString Label(const LinkArea& area) {
    return QString::fromUtf8(area.label.data(), static_cast<qsizetype>(area.label.size()));
}

// A link drawn as a light pill with its label centred in it.
void DrawLink(QPainter& painter, const LinkArea& area, QPoint origin, int pixelSize) {
    QRect rect = AreaInImage(area, origin);
    painter.setPen(QColor(255, 255, 255, 90));
    painter.setBrush(QColor(255, 255, 255, 28));
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    painter.setPen(Qt::white);
    painter.setFont(SansFont(pixelSize, false));
    painter.drawText(rect, Qt::AlignCenter, Label(area));
}

QImage BannerCanvas(QSize size, const QColor& left, const QColor& right) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient fill(0, 0, size.width(), 0);
    fill.setColorAt(0, left);
    fill.setColorAt(1, right);
    painter.fillRect(image.rect(), fill);
    return image;
}

QImage TopBanner() {
    const QRect control = DialogUnitsToPixels(dialog_template::kTopBanner);
    const QPoint origin = CentredImageOrigin(control, dialog_template::kTopBannerImage);
    QImage image = BannerCanvas(dialog_template::kTopBannerImage, kNavy, kBlue);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // The home link: the icon and the product name.
    const QRect home = AreaInImage(kLinkAreas[0], origin);
    DrawIcon(painter, QRectF(home.left() + 8, home.center().y() - 10, 20, 20));
    painter.setPen(Qt::white);
    painter.setFont(SansFont(17, true));
    painter.drawText(home.adjusted(36, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     Label(kLinkAreas[0]));
    for (std::size_t i = 1; i <= 2; ++i)
        DrawLink(painter, kLinkAreas[i], origin, 13);
    return image;
}

QImage HeaderBanner() {
    const QRect control = DialogUnitsToPixels(dialog_template::kHeaderBanner);
    const QPoint origin = CentredImageOrigin(control, dialog_template::kHeaderBannerImage);
    const QSize size = dialog_template::kHeaderBannerImage;
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0, QColor(0xf7, 0xfa, 0xfd));
    fill.setColorAt(1, QColor(0xdc, 0xe7, 0xf5));
    painter.fillRect(image.rect(), fill);

    // Radio waves from a mast at the right, fading outwards, inside the part
    // of the image the picture shows.
    const QRect visible = control.translated(-origin).intersected(image.rect());
    const QPointF mast(size.width() - 80, visible.bottom() - 12);
    for (int ring = 1; ring <= 4; ++ring) {
        QColor wave = kBlue;
        wave.setAlpha(140 - ring * 25);
        painter.setPen(QPen(wave, 3, Qt::SolidLine, Qt::RoundCap));
        const qreal r = ring * 14;
        painter.drawArc(QRectF(mast.x() - r, mast.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    painter.setBrush(kNavy);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(mast, 4, 4);

    painter.setPen(kInk);
    painter.setFont(SansFont(22, true));
    painter.drawText(QRect(20, visible.top() + 14, 700, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Mobile broadband diagnostics"));
    painter.setPen(QColor(0x4a, 0x5d, 0x75));
    painter.setFont(SansFont(13, false));
    painter.drawText(QRect(20, visible.top() + 46, 760, 22), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Device, SIM, signal, registration, providers and connections "
                                    "of the first modem, as its service reports them."));
    return image;
}

QImage FooterBanner() {
    const QRect control = DialogUnitsToPixels(dialog_template::kFooterBanner);
    const QPoint origin = CentredImageOrigin(control, dialog_template::kFooterBannerImage);
    QImage image = BannerCanvas(dialog_template::kFooterBannerImage, kBlue, kNavy);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRect first = AreaInImage(kLinkAreas[3], origin);
    painter.setPen(QColor(255, 255, 255, 200));
    painter.setFont(SansFont(12, false));
    painter.drawText(QRect(12, first.top(), first.left() - 24, first.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Paravue for Mobile Data " PARAVUE_VERSION));
    for (std::size_t i = 3; i < kLinkAreas.size(); ++i)
        DrawLink(painter, kLinkAreas[i], origin, 13);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "paravue-resgen: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: paravue-resgen OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "paravue-resgen: cannot create %s/icons\n", argv[1]);
        return 1;
    }
    bool ok = Save(TopBanner(), out.filePath(QStringLiteral("banner_top.png"))) &&
              Save(HeaderBanner(), out.filePath(QStringLiteral("banner_header.png"))) &&
              Save(FooterBanner(), out.filePath(QStringLiteral("banner_footer.png")));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = ok && Save(IconImage(size), out.filePath(QStringLiteral("icons/%1.png").arg(size)));
    return ok ? 0 : 1;
}
