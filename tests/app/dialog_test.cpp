// The main dialog on a simulated device: layout, the report view, the link
// areas and the cursor, keys, notifications and the out-of-memory path.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

#include "app/mbn_sinks.h"
#include "app/wandiag_dlg.h"
#include "platform/runtime.h"
#include "report/collect_report.h"
#include "test_window.h"

namespace paravue::app {
namespace {

using test_support::Button;
using test_support::OpenedLinks;
using test_support::ReportLines;
using test_support::ReportRuns;
using test_support::ReportView;
using test_support::ScenarioFromJson;
using test_support::ViewLines;

constexpr std::string_view kDevice = R"({
  "interfaces": [{
    "interfaceId": "{6F1D3A52-0001}",
    "capabilities": {
      "cellularClass": 1,
      "dataClass": "0x80000021",
      "deviceID": "356938035643809",
      "manufacturer": "<b>Acme</b> &amp; Sons",
      "model": "LTE\tStick"
    }
  }]
})";

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // Qt drops a move to where the mouse already is, and the last test
        // may have left it anywhere: start from a point outside every area.
        MoveTo({500, 60});
        MoveTo({501, 60});
        service.ClearCallLog();
    }

    void MoveTo(QPoint p) { QTest::mouseMove(dialog.windowHandle(), p); }
    QStringList ClickAt(QPoint p) {
        MoveTo(p);
        QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, p);
        return links.TakeAll();
    }
    void PressKey(Qt::Key key) { QTest::keyClick(dialog.windowHandle(), key); }

    ComApartment com;
    test_support::TestService service{ScenarioFromJson(kDevice)};
    OpenedLinks links;
    AppendFault fault;
    Report last;  // the report the dialog was last given
    CWandiagDlg dialog{
        [this](const ModemChoice& choice) { return last = CollectReport(choice, &fault); }};
};

TEST_F(DialogTest, HasTheCaptionAndTheFixedLayoutTheBannersWereDrawnFor) {
    EXPECT_EQ(dialog.windowTitle(), "Paravue for Mobile Data");
    EXPECT_EQ(dialog.size(), QSize(955, 569));
    EXPECT_EQ(dialog.minimumSize(), QSize(955, 569));
    EXPECT_EQ(dialog.maximumSize(), QSize(955, 569));
    EXPECT_FALSE(dialog.windowIcon().isNull());

    EXPECT_EQ(ReportView(dialog).geometry(), QRect(5, 115, 856, 406));
    QPushButton& refresh = Button(dialog, "refresh");
    QPushButton& close = Button(dialog, "close");
    EXPECT_EQ(refresh.text(), "&Refresh");
    EXPECT_EQ(close.text(), "&Close");
    EXPECT_EQ(refresh.geometry(), QRect(866, 115, 87, 28));
    EXPECT_EQ(close.geometry(), QRect(866, 147, 87, 28));
    EXPECT_TRUE(refresh.isDefault());
}

TEST_F(DialogTest, ReportViewIsReadOnlyMonospacedAndScrollsInsteadOfWrapping) {
    QPlainTextEdit& view = ReportView(dialog);
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(QFontInfo(view.font()).fixedPitch());
    EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(DialogTest, ShowsTheReportLineForLineWithServiceTextTakenLiterally) {
    QStringList shown = ViewLines(ReportView(dialog));
    ASSERT_GT(shown.size(), 3);
    EXPECT_EQ(shown, ReportLines(last.text));
    EXPECT_FALSE(ReportView(dialog).toPlainText().contains(QChar(u'\r')));
    // Markup from the service is text, never formatting.
    EXPECT_TRUE(shown.filter(QStringLiteral("<b>Acme</b> &amp; Sons")).size() == 1);
    EXPECT_TRUE(shown.filter(QStringLiteral("LTE\tStick")).size() == 1);
}

TEST_F(DialogTest, BannersSitWhereTheirLinkAreasWereMeasured) {
    // Each image is centred in its picture; a larger image is cut evenly with
    // the odd pixel at the end, which puts its top-left corner here.
    struct Placement {
        QImage image;
        QPoint origin;
        QPoint probes[3];
    };
    const Placement placements[] = {
        {TopBannerImage().toImage(), {0, 0}, {{20, 15}, {700, 16}, {940, 25}}},
        {HeaderBannerImage().toImage(), {0, 25}, {{30, 60}, {880, 95}, {500, 108}}},
        {FooterBannerImage().toImage(), {0, 523}, {{30, 540}, {470, 545}, {945, 566}}},
    };
    const QImage window = dialog.grab().toImage();
    ASSERT_EQ(window.size(), QSize(955, 569));
    for (const Placement& placement : placements) {
        for (QPoint p : placement.probes) {
            SCOPED_TRACE(::testing::PrintToString(std::pair(p.x(), p.y())));
            EXPECT_EQ(window.pixel(p), placement.image.pixel(p - placement.origin));
        }
    }
}

struct LinkCase {
    QPoint point;
    const char* target;
};

TEST_F(DialogTest, EachLinkAreaOpensItsTargetAnywhereInside) {
    const LinkCase cases[] = {
        {{2, 6}, "https://paravue.example/"},
        {{669, 6}, "https://paravue.example/"},
        {{335, 25}, "https://paravue.example/"},
        {{675, 6}, "mailto:feedback@paravue.example"},
        {{820, 25}, "mailto:feedback@paravue.example"},
        {{830, 6}, "https://paravue.example/downloads"},
        {{948, 25}, "https://paravue.example/downloads"},
        {{460, 532}, "https://community.paravue.example/"},
        {{591, 556}, "https://community.paravue.example/"},
        {{605, 532}, "https://blog.paravue.example/"},
        {{720, 556}, "https://blog.paravue.example/"},
        {{735, 532}, "https://microblog.example/paravue"},
        {{823, 556}, "https://microblog.example/paravue"},
        {{838, 532}, "https://social.example/paravue"},
        {{948, 556}, "https://social.example/paravue"},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::pair(c.point.x(), c.point.y())));
        EXPECT_EQ(ClickAt(c.point), QStringList{QString::fromLatin1(c.target)});
        EXPECT_EQ(dialog.cursor().shape(), Qt::PointingHandCursor);
    }
}

TEST_F(DialogTest, BordersGapsAndTheRestOfTheBannersOpenNothingAndShowTheArrow) {
    const QPoint points[] = {
        // Borders of area 0 and the gaps beside it on the top banner.
        {1, 10},
        {670, 10},
        {100, 5},
        {100, 26},
        {671, 10},
        {673, 10},
        {674, 10},
        {821, 10},
        {825, 10},
        {829, 10},
        {949, 10},
        {952, 10},
        {500, 3},
        {500, 28},
        // The header picture has no areas.
        {500, 60},
        {900, 100},
        // Footer: left of the first area, the gaps, the borders.
        {200, 540},
        {459, 540},
        {592, 540},
        {598, 540},
        {604, 540},
        {721, 540},
        {734, 540},
        {824, 540},
        {830, 540},
        {837, 540},
        {949, 540},
        {500, 531},
        {500, 557},
        {500, 562},
        // Bare dialog between the controls.
        {863, 300},
        {500, 523},
    };
    for (QPoint p : points) {
        SCOPED_TRACE(testing::PrintToString(std::pair(p.x(), p.y())));
        EXPECT_EQ(ClickAt(p), QStringList{});
        EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
    }
}

TEST_F(DialogTest, AClickOpensOnlyWhatTheLastMoveWasOver) {
    MoveTo({100, 15});
    MoveTo({500, 60});  // left every area
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, {500, 60});
    EXPECT_EQ(links.TakeAll(), QStringList{});

    // A right click is not a link click.
    MoveTo({100, 15});
    QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {}, {100, 15});
    EXPECT_EQ(links.TakeAll(), QStringList{});
}

TEST_F(DialogTest, ADoubleClickOnALinkOpensItOnce) {
    MoveTo({100, 15});
    QTest::mouseDClick(dialog.windowHandle(), Qt::LeftButton, {}, {100, 15});
    EXPECT_EQ(links.TakeAll(), QStringList{QStringLiteral("https://paravue.example/")});
    // The next single click is a click of its own.
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, {100, 15});
    EXPECT_EQ(links.TakeAll(), QStringList{QStringLiteral("https://paravue.example/")});
}

TEST_F(DialogTest, CursorDoesNotStayAHandOverTheButtonsOrTheReport) {
    MoveTo({100, 15});
    ASSERT_EQ(dialog.cursor().shape(), Qt::PointingHandCursor);
    // Children take the cursor of their parent unless they have their own.
    QPlainTextEdit& view = ReportView(dialog);
    EXPECT_EQ(Button(dialog, "refresh").cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Button(dialog, "close").cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(view.verticalScrollBar()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(view.horizontalScrollBar()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_NE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);

    // Straight from an area onto a button: a click there is the button's.
    const QPoint onRefresh = Button(dialog, "refresh").geometry().center();
    MoveTo(onRefresh);
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, onRefresh);
    EXPECT_EQ(links.TakeAll(), QStringList{});
    EXPECT_EQ(ReportRuns(service), 1u);
}

TEST_F(DialogTest, EnterRefreshesAndKeepsTheWindowOpen) {
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    Button(dialog, "refresh").setFocus();
    PressKey(Qt::Key_Return);
    EXPECT_EQ(ReportRuns(service), 1u);
    EXPECT_TRUE(dialog.isVisible());

    // The read-only report passes Enter on to the default button.
    ReportView(dialog).setFocus();
    PressKey(Qt::Key_Enter);
    EXPECT_EQ(ReportRuns(service), 2u);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DialogTest, EscapeEndsTheDialog) {
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ReportView(dialog).setFocus();
    PressKey(Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(ReportRuns(service), 0u);
}

TEST_F(DialogTest, CloseButtonAndCloseBoxEndTheDialog) {
    Button(dialog, "close").click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(ReportRuns(service), 0u);  // showing again does not rebuild
}

TEST_F(DialogTest, EveryPostedNotificationRebuildsTheReportOnce) {
    using Kind = MbnNotification::Kind;
    const Kind posted[] = {Kind::InterfaceArrival,   Kind::InterfaceRemoval,
                           Kind::PacketServiceState, Kind::RegisterModeAvailable,
                           Kind::RegisterState,      Kind::RegisterState,
                           Kind::RegisterState};
    for (Kind kind : posted)
        QCoreApplication::postEvent(&dialog, new MbnNotification(kind));
    // Other user events are not notifications.
    QCoreApplication::postEvent(&dialog, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&dialog,
                                new QEvent(static_cast<QEvent::Type>(QEvent::registerEventType())));
    QCoreApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(ReportRuns(service), std::size(posted));
}

TEST_F(DialogTest, ARunThatRunsOutOfMemoryKeepsTheShownTextAndTheNextRefreshStartsAfresh) {
    QPlainTextEdit& view = ReportView(dialog);
    const QString before = view.toPlainText();
    auto* notice = dialog.findChild<QLabel*>(QStringLiteral("notice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());

    fault = {.failAt = 3};
    Button(dialog, "refresh").click();
    EXPECT_EQ(ReportRuns(service), 1u);
    EXPECT_EQ(ReportLines(last.text).size(), 2);  // the run stopped at its third line...
    EXPECT_EQ(view.toPlainText(), before);        // ...and the view kept the last complete text
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(dialog.isVisible());

    fault = {};
    Button(dialog, "refresh").click();
    EXPECT_EQ(ReportRuns(service), 2u);
    EXPECT_EQ(ViewLines(view), ReportLines(last.text));
    EXPECT_EQ(view.toPlainText(), before);
    EXPECT_FALSE(notice->isVisible());
}

}  // namespace
}  // namespace paravue::app
