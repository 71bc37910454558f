// The main window: a fixed-size dialog that shows the report, rebuilds it on
// "&Refresh" and on every service notification, and opens the link areas of
// its banners.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>

#include "platform/service_choice.h"
#include "report/collect_report.h"
#include "report/modems.h"

namespace paravue::app {

// The images built into the program.
QIcon AppIcon();
QPixmap TopBannerImage();
QPixmap HeaderBannerImage();
QPixmap FooterBannerImage();

// The report as the view shows it. Every report line ends in CR LF; the view
// breaks lines on LF alone, so CR LF (and a CR on its own, which a service
// string may carry) becomes one line break. A tab stays, as the view lays it
// out; every other control character and every bidirectional formatting
// character is shown as its escape (\x1b, \u202e), so a service string can
// neither hide text nor reorder the line it is on.
QString ReportViewText(std::u16string_view report);

// A picture control: shows one image centred in its rectangle, cut where it
// is larger. It takes no mouse input, so moves and clicks over it reach the
// dialog, which owns the link areas drawn on the banners.
class BannerPicture final : public QWidget {
  public:
    BannerPicture(const QPixmap& image, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap m_image;
};

class CWandiagDlg final : public QDialog {
    Q_OBJECT

  public:
    // Where each report and each listing of the modems come from: fresh runs
    // unless a test says otherwise. `plan` hears, before each run, what it
    // will ask for, so that a service reading ahead reads the chosen modem.
    using ReportSource = std::function<Report(const ModemChoice&)>;
    using ListingSource = std::function<ModemListing()>;
    using RunPlanner = std::function<void(const RunPlan&)>;
    explicit CWandiagDlg(
        ReportSource collect = [](const ModemChoice& choice) { return CollectReport(choice); },
        ListingSource list = [] { return ListModems(); }, RunPlanner plan = [](const RunPlan&) {});
    ~CWandiagDlg() override;

    // Describes this modem (by its interface ID, at this position when it is
    // still there) from the next report on, as if chosen in the chooser.
    void KeepModem(const ModemChoice& choice);

  protected:
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void ShowReport();
    // The report's choice from a fresh listing: the kept modem wherever it is
    // now, else the first (and the kept one is forgotten).
    ModemChoice ChoiceIn(const ModemListing& listing);
    // Shows one entry per listed modem when there are two or more, else hides the chooser.
    void ShowChooser(const std::optional<ModemListing>& listing, std::int32_t current);
    void OnModemChosen(int index);

    ReportSource m_collect;
    ListingSource m_list;
    RunPlanner m_plan;
    std::optional<ModemChoice> m_kept;       // the chosen modem; none: the first
    std::vector<std::u16string> m_entryIds;  // interface ID of each chooser entry
    QIcon m_icon;
    int m_linkIndex = -1;  // the link area under the mouse, or -1
    QCursor m_linkCursor;
    // Controls in the template's tab order; later ones stack above earlier ones.
    QPushButton m_buttonRefresh;
    QPushButton m_buttonClose;
    QPlainTextEdit m_editReport;
    BannerPicture m_pictureTop;
    BannerPicture m_pictureHeader;
    BannerPicture m_pictureFooter;
    QLabel m_labelNotice;  // says when the last run could not be completed
    QComboBox m_comboModem;
    bool m_shown = false;
};

}  // namespace paravue::app
