#include "app/wandiag_dlg.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QUrl>

#include "app/dialog_layout.h"
#include "app/mbn_sinks.h"
#include "platform/utf.h"

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

QString ReportViewText(std::u16string_view report) {
    QString text;
    text.reserve(static_cast<qsizetype>(report.size()));
    for (std::size_t i = 0; i < report.size(); ++i) {
        char16_t c = report[i];
        if (c == u'\r') {
            if (i + 1 < report.size() && report[i + 1] == u'\n')
                ++i;
            text.append(QChar(u'\n'));
        } else if (c != u'\n' && c != u'\t' && IsControlOrBidi(c)) {
            const std::string escape = Escaped(c);
            text.append(QLatin1String(escape.data(), static_cast<qsizetype>(escape.size())));
        } else {
            text.append(QChar(c));
        }
    }
    return text;
}

BannerPicture::BannerPicture(const QPixmap& image, QWidget* parent)
    : QWidget(parent), m_image(image) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BannerPicture::paintEvent(QPaintEvent*) {
    // Centred the same way the link areas were measured, not by the style's rule.
    QPoint origin =
        CentredImageOrigin(QRect(QPoint(0, 0), size()), m_image.deviceIndependentSize().toSize());
    QPainter painter(this);
    painter.drawPixmap(origin, m_image);
}

namespace {

// "Courier New" 8 pt, which makes the report monospaced: the face fontconfig
// offers for it (a metric-compatible one where the original is not
// installed), or the system's fixed font when what it offers is not fixed-pitch.
QFont ReportFont() {
    QFont font(QStringLiteral("Courier New"), 8, QFont::Normal);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    return fixed;
}

// Free room under the buttons, and under the chooser while it shows, for the notice.
QRect NoticeRect(bool chooserShown) {
    QRect above = DialogUnitsToPixels(chooserShown ? dialog_template::kModemChooser
                                                   : dialog_template::kCloseButton);
    QRect report = DialogUnitsToPixels(dialog_template::kReport);
    int top = above.bottom() + 1 + 8;
    return QRect(above.x(), top, above.width(), report.bottom() + 1 - top);
}

QString ChooserEntry(const ModemSummary& modem) {
    return QStringLiteral("%1: %2")
        .arg(modem.position)
        .arg(QString::fromStdU16String(ModemEntry(modem)));
}

}  // namespace

CWandiagDlg::CWandiagDlg(ReportSource collect, ListingSource list, RunPlanner plan)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_collect(std::move(collect)),
      m_list(std::move(list)),
      m_plan(std::move(plan)),
      m_icon(AppIcon()),
      m_linkCursor(Qt::PointingHandCursor),
      m_buttonRefresh(QStringLiteral("&Refresh"), this),
      m_buttonClose(QStringLiteral("&Close"), this),
      m_editReport(this),
      m_pictureTop(TopBannerImage(), this),
      m_pictureHeader(HeaderBannerImage(), this),
      m_pictureFooter(FooterBannerImage(), this),
      m_labelNotice(this),
      m_comboModem(this) {
    setWindowTitle(QStringLiteral("Paravue for Mobile Data"));
    setFixedSize(DialogClientSize());
    setFont(ReportFont());
    // Moves must reach mouseMoveEvent without a button held.
    setMouseTracking(true);

    m_buttonRefresh.setObjectName(QStringLiteral("refresh"));
    m_buttonRefresh.setGeometry(DialogUnitsToPixels(dialog_template::kRefreshButton));
    m_buttonRefresh.setDefault(true);

    m_buttonClose.setObjectName(QStringLiteral("close"));
    m_buttonClose.setGeometry(DialogUnitsToPixels(dialog_template::kCloseButton));

    m_editReport.setObjectName(QStringLiteral("report"));
    m_editReport.setGeometry(DialogUnitsToPixels(dialog_template::kReport));
    m_editReport.setReadOnly(true);
    m_editReport.setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editReport.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editReport.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editReport.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_pictureTop.setGeometry(DialogUnitsToPixels(dialog_template::kTopBanner));
    m_pictureHeader.setGeometry(DialogUnitsToPixels(dialog_template::kHeaderBanner));
    m_pictureFooter.setGeometry(DialogUnitsToPixels(dialog_template::kFooterBanner));

    m_labelNotice.setObjectName(QStringLiteral("notice"));
    m_labelNotice.setTextFormat(Qt::PlainText);
    m_labelNotice.setWordWrap(true);
    m_labelNotice.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelNotice.setGeometry(NoticeRect(false));
    m_labelNotice.hide();

    m_comboModem.setObjectName(QStringLiteral("modem"));
    m_comboModem.setAccessibleName(QStringLiteral("Modem"));
    m_comboModem.setGeometry(DialogUnitsToPixels(dialog_template::kModemChooser));
    m_comboModem.hide();

    // A child without a cursor of its own would show the dialog's hand when
    // the mouse jumps onto it straight from a link area.
    for (QWidget* child : std::initializer_list<QWidget*>{
             &m_buttonRefresh, &m_buttonClose, &m_editReport, &m_labelNotice, &m_comboModem})
        child->setCursor(Qt::ArrowCursor);

    setTabOrder(&m_buttonRefresh, &m_buttonClose);
    setTabOrder(&m_buttonClose, &m_comboModem);
    setTabOrder(&m_comboModem, &m_editReport);

    connect(&m_buttonRefresh, &QPushButton::clicked, this, &CWandiagDlg::ShowReport);
    connect(&m_buttonClose, &QPushButton::clicked, this, &QDialog::reject);
    // Only a person's choice: filling the box in code emits nothing here.
    connect(&m_comboModem, &QComboBox::activated, this, &CWandiagDlg::OnModemChosen);
}

CWandiagDlg::~CWandiagDlg() = default;

void CWandiagDlg::showEvent(QShowEvent* event) {
    // The first report is built once, before the window first appears.
    if (!m_shown) {
        m_shown = true;
        setWindowIcon(m_icon);
        ShowReport();
        m_buttonRefresh.setFocus();
    }
    QDialog::showEvent(event);
}

void CWandiagDlg::customEvent(QEvent* event) {
    // Every kind of service notification rebuilds the report.
    if (event->type() == MbnNotification::registeredType())
        ShowReport();
}

void CWandiagDlg::KeepModem(const ModemChoice& choice) {
    m_kept = choice;
}

void CWandiagDlg::OnModemChosen(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_entryIds.size())
        return;
    m_kept = ModemChoice{index, m_entryIds[static_cast<std::size_t>(index)]};
    ShowReport();
}

ModemChoice CWandiagDlg::ChoiceIn(const ModemListing& listing) {
    if (m_kept && m_kept->interfaceId) {
        const std::u16string& id = *m_kept->interfaceId;
        const auto at = [&](std::int32_t position) {
            return position >= 0 && static_cast<std::size_t>(position) < listing.modems.size() &&
                   listing.modems[static_cast<std::size_t>(position)].interfaceId == id;
        };
        // Where it was, else the first modem with its ID: two modems may share one.
        std::int32_t position = m_kept->position;
        if (!at(position)) {
            const auto found =
                std::find_if(listing.modems.begin(), listing.modems.end(),
                             [&](const ModemSummary& modem) { return modem.interfaceId == id; });
            position = found == listing.modems.end() ? -1 : found->position;
        }
        if (at(position)) {
            m_kept->position = position;
            return *m_kept;
        }
    }
    // The chosen modem left: back to the first, which the run checks nothing of.
    m_kept.reset();
    return {};
}

void CWandiagDlg::ShowChooser(const std::optional<ModemListing>& listing, std::int32_t current) {
    const bool shown = listing && listing->modems.size() >= 2;
    m_entryIds.clear();
    {
        const QSignalBlocker quiet(m_comboModem);
        m_comboModem.clear();
        if (shown) {
            for (const ModemSummary& modem : listing->modems) {
                m_comboModem.addItem(ChooserEntry(modem));
                m_entryIds.push_back(modem.interfaceId);
            }
            m_comboModem.setCurrentIndex(current);
            m_comboModem.setToolTip(m_comboModem.currentText());
            // The box stays as narrow as the buttons; its list opens as wide as its entries.
            m_comboModem.view()->setMinimumWidth(m_comboModem.view()->sizeHintForColumn(0));
        }
    }
    m_comboModem.setVisible(shown);
    m_labelNotice.setGeometry(NoticeRect(shown));
}

void CWandiagDlg::ShowReport() {
    // Modems are listed only while the chooser shows or a modem is kept: with
    // one modem or none the window runs the plain report and nothing else.
    std::optional<ModemListing> listing;
    ModemChoice choice;
    if (m_comboModem.isVisibleTo(this) || m_kept) {
        m_plan({RunPlan::Reads::Listing, 0, /*reportFollows=*/true});
        listing = m_list();
        choice = ChoiceIn(*listing);
    }
    m_plan({RunPlan::Reads::Report, choice.position});
    Report report = m_collect(choice);
    if (report.modemMissing) {
        // The list changed between the listing and the run: the first modem,
        // listed again by the next refresh.
        m_kept.reset();
        choice = {};
        listing.reset();
        m_plan({RunPlan::Reads::Report, 0});
        report = m_collect(choice);
    }
    if (report.outOfMemory) {
        // The run was abandoned: keep the last complete text, say why it did
        // not change, and let the next refresh start over.
        m_labelNotice.setText(
            QStringLiteral("The report could not be completed: out of memory. "
                           "Refresh to try again."));
        m_labelNotice.show();
        return;
    }
    if (report.modemCount >= 2 && !listing) {
        m_plan({RunPlan::Reads::Listing});
        listing = m_list();
    }
    ShowChooser(report.modemCount >= 2 ? listing : std::nullopt, choice.position);
    m_labelNotice.hide();
    m_editReport.setPlainText(ReportViewText(report.text));
}

void CWandiagDlg::mouseMoveEvent(QMouseEvent* event) {
    m_linkIndex = HitTestLinkAreas(event->position().toPoint());
    if (m_linkIndex != kNoLink)
        setCursor(m_linkCursor);
    else
        unsetCursor();
    QDialog::mouseMoveEvent(event);
}

void CWandiagDlg::mousePressEvent(QMouseEvent* event) {
    // The area of the last move decides, not the click point.
    if (event->button() == Qt::LeftButton && m_linkIndex != kNoLink) {
        const std::string_view target = kLinkAreas[static_cast<std::size_t>(m_linkIndex)].target;
        QDesktopServices::openUrl(
            QUrl(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size()))));
    }
    QDialog::mousePressEvent(event);
}

void CWandiagDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double-click is not a second press: the link
    // opened on the first one. (The default handling would press again.)
    event->accept();
}

void CWandiagDlg::leaveEvent(QEvent* event) {
    // The mouse left the window: a later click must not open what was under it.
    m_linkIndex = kNoLink;
    unsetCursor();
    QDialog::leaveEvent(event);
}

}  // namespace paravue::app
