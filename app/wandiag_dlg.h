// The main window: a fixed-size dialog that shows the report, rebuilds it on
// "&Refresh" and on every service notification, and opens the link areas of
// its banners.
#pragma once

#include <functional>

#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/banner_picture.h"
#include "report/collect_report.h"

namespace paravue::app {

class CWandiagDlg final : public QDialog {
    Q_OBJECT

  public:
    // Where each report comes from: a fresh run unless a test says otherwise.
    using ReportSource = std::function<Report()>;
    explicit CWandiagDlg(ReportSource collect = [] { return CollectReport(); });
    ~CWandiagDlg() override;

    // Runs the dialog until "&Close", Escape or the close box.
    int DoModal();

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void OnInitDialog();
    void OnRefresh();
    void OnMbnEvent();
    void OnMouseMove(QPoint point);
    void OnLButtonDown();
    void ShowReport();

    ReportSource collect_;
    QIcon m_hIcon;
    int m_nLinkIndex = -1;
    QCursor m_hLinkCursor;
    // Controls in the template's tab order; later ones stack above earlier ones.
    QPushButton m_buttonRefresh;
    QPushButton m_buttonClose;
    QPlainTextEdit m_editReport;
    BannerPicture m_pictureTop;
    BannerPicture m_pictureHeader;
    BannerPicture m_pictureFooter;
    QLabel m_labelNotice;  // says when the last run could not be completed
    bool m_bInitialised = false;
};

}  // namespace paravue::app
