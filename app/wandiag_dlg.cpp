#include "app/wandiag_dlg.h"

#include <initializer_list>
#include <utility>

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "app/app_images.h"
#include "app/banner_picture.h"
#include "app/dialog_template.h"
#include "app/link_areas.h"
#include "app/mbn_messages.h"
#include "app/report_font.h"
#include "app/report_view_text.h"

namespace paravue::app {

namespace {

// Free room under the buttons for the notice.
QRect NoticeRect() {
    QRect close = DialogUnitsToPixels(dialog_template::kCloseButton);
    QRect report = DialogUnitsToPixels(dialog_template::kReport);
    int top = close.bottom() + 1 + 8;
    return QRect(close.x(), top, close.width(), report.bottom() + 1 - top);
}

}  // namespace

CWandiagDlg::CWandiagDlg(ReportSource collect)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      collect_(std::move(collect)),
      m_hIcon(AppIcon()),
      m_buttonRefresh(QStringLiteral("&Refresh"), this),
      m_buttonClose(QStringLiteral("&Close"), this),
      m_editReport(this),
      m_pictureTop(TopBannerImage(), this),
      m_pictureHeader(HeaderBannerImage(), this),
      m_pictureFooter(FooterBannerImage(), this),
      m_labelNotice(this) {
    setWindowTitle(QStringLiteral("Paravue for Mobile Data"));
    setFixedSize(DialogClientSize());
    setFont(ReportFont());
    // Moves must reach OnMouseMove without a button held.
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
    m_labelNotice.setGeometry(NoticeRect());
    m_labelNotice.hide();

    // A child without a cursor of its own would show the dialog's hand when
    // the mouse jumps onto it straight from a link area.
    for (QWidget* child : std::initializer_list<QWidget*>{&m_buttonRefresh, &m_buttonClose,
                                                          &m_editReport, &m_labelNotice})
        child->setCursor(Qt::ArrowCursor);

    setTabOrder(&m_buttonRefresh, &m_buttonClose);
    setTabOrder(&m_buttonClose, &m_editReport);

    connect(&m_buttonRefresh, &QPushButton::clicked, this, &CWandiagDlg::OnRefresh);
    connect(&m_buttonClose, &QPushButton::clicked, this, &QDialog::reject);
}

CWandiagDlg::~CWandiagDlg() = default;

int CWandiagDlg::DoModal() {
    return exec();
}

bool CWandiagDlg::event(QEvent* event) {
    if (IsMbnNotification(event->type())) {
        OnMbnEvent();
        return true;
    }
    return QDialog::event(event);
}

void CWandiagDlg::showEvent(QShowEvent* event) {
    // Once, before the window first appears.
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CWandiagDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    ShowReport();
    m_hLinkCursor = QCursor(Qt::PointingHandCursor);
    m_buttonRefresh.setFocus();
}

void CWandiagDlg::OnRefresh() {
    ShowReport();
}

void CWandiagDlg::OnMbnEvent() {
    ShowReport();
}

void CWandiagDlg::ShowReport() {
    const Report report = collect_();
    if (report.outOfMemory) {
        // The run was abandoned: keep the last complete text, say why it did
        // not change, and let the next refresh start over.
        m_labelNotice.setText(
            QStringLiteral("The report could not be completed: out of memory. "
                           "Refresh to try again."));
        m_labelNotice.show();
        return;
    }
    m_labelNotice.hide();
    m_editReport.setPlainText(ReportViewText(report.text));
}

void CWandiagDlg::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void CWandiagDlg::OnMouseMove(QPoint point) {
    m_nLinkIndex = HitTestLinkAreas(point);
    if (m_nLinkIndex != kNoLink)
        setCursor(m_hLinkCursor);
    else
        unsetCursor();
}

void CWandiagDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDown();
    QDialog::mousePressEvent(event);
}

void CWandiagDlg::OnLButtonDown() {
    // The area of the last move decides, not the click point.
    if (m_nLinkIndex == kNoLink)
        return;
    const std::string_view target = kLinkAreas[static_cast<std::size_t>(m_nLinkIndex)].target;
    QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size()))));
}

void CWandiagDlg::leaveEvent(QEvent* event) {
    // The mouse left the window: a later click must not open what was under it.
    m_nLinkIndex = kNoLink;
    unsetCursor();
    QDialog::leaveEvent(event);
}

}  // namespace paravue::app
