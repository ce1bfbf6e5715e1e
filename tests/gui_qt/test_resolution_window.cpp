// The whole road of a button press, through the real window and a real server.

#include "loopback_http_server.h"
#include "main_window.h"
#include "page_fixtures.h"
#include "qt_application.h"
#include "room_resolution.h"
#include "runtime_hooks.h"
#include "scoped_env.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

// Readable failure messages for window texts.
void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// As start-up does: the Base64 decoder lets queued window events through.
void pump_window_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

testing::Environment* const qt_application = testing::AddGlobalTestEnvironment(
    new QtApplication("resolution_window_test", [] { set_event_pump(pump_window_events); }));

class ResolutionWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listening());
        window.set_message_presenter([this](const QString& text, int, const QString&) {
            messages.push_back(text);
        });
        window.set_resolve_action([this](RoomView& view) {
            ++resolutions;
            if (on_start) on_start();
            last_report = resolve_room(view.address_text(), view);
            if (on_end) on_end();
            return last_report;
        });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        address = window.findChild<QLineEdit*>(QStringLiteral("播放地址"));
        button = window.findChild<QPushButton*>(QStringLiteral("解析按钮"));
        box = window.findChild<QCheckBox*>(QStringLiteral("选择框"));
        list = window.findChild<QTableWidget*>(QStringLiteral("列表框"));
        ASSERT_TRUE(address && button && box && list);
    }

    void serve_fixture(const std::string& name, int status = 200,
                       std::chrono::milliseconds delay = {})
    {
        CannedReply reply;
        reply.status = status;
        reply.body = read_file(page_fixture(name + ".html"));
        reply.delay = delay;
        server.serve("/room", reply);
    }

    void type_address_and_press(const std::string& url = {})
    {
        address->clear();
        QTest::keyClicks(address, QString::fromStdString(url.empty() ? server.url("/room") : url));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Pixels other than the white background in the part of the list below its
    // rows, where the reason for an empty list is drawn.
    int ink_below_rows()
    {
        const QImage shot = list->viewport()->grab().toImage();
        int top = 0;
        if (const int last = list->rowCount() - 1; last >= 0)
            top = list->rowViewportPosition(last) + list->rowHeight(last) + 1;
        int ink = 0;
        for (int y = top; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) ink += shot.pixelColor(x, y) != Qt::white;
        return ink;
    }

    std::vector<Utf8Row> list_rows()
    {
        std::vector<std::array<Text, 3>> rows;
        for (int row = 0; row < list->rowCount(); ++row)
            rows.push_back({window.list_cell_text(row, 0), window.list_cell_text(row, 1),
                            window.list_cell_text(row, 2)});
        return as_utf8(rows);
    }

    LoopbackHttpServer server;
    TempDir desktop;
    ScopedEnv desktop_env{"XDG_DESKTOP_DIR", desktop.path().string()};
    MainWindow window;
    QLineEdit* address = nullptr;
    QPushButton* button = nullptr;
    QCheckBox* box = nullptr;
    QTableWidget* list = nullptr;
    std::vector<QString> messages;
    int resolutions = 0;
    std::function<void()> on_start;  // run inside the click, before the resolution
    std::function<void()> on_end;    // and right after it
    ResolutionReport last_report;
};

TEST_F(ResolutionWindowTest, PressingTheButtonFillsTheListAndWritesThePlaylist)
{
    serve_fixture("real_hyplayerconfig_3lines_1quality");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    type_address_and_press();

    EXPECT_EQ(list_rows(), expected_rows("real_hyplayerconfig_3lines_1quality"));
    EXPECT_EQ(read_file(desktop.path() / "30456807.dpl"),
              read_file(page_fixture("real_hyplayerconfig_3lines_1quality.dpl")));
    EXPECT_EQ(messages, std::vector<QString>{QStringLiteral("播放列表已保存至桌面30456807.dpl")});

    // A double-click on a row copies its address.
    const QPoint cell = list->visualRect(list->model()->index(1, 2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromStdString(expected_rows("real_hyplayerconfig_3lines_1quality")[1][2]));
}

TEST_F(ResolutionWindowTest, ASecondClickWhileResolvingStartsNoNestedResolution)
{
    serve_fixture("base64_2lines_3qualities");
    int clicks_inside = 0;
    set_event_pump([&] {
        if (clicks_inside++ == 0) QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
    type_address_and_press();
    set_event_pump(pump_window_events);

    EXPECT_GT(clicks_inside, 0) << "the resolution let window events through";
    EXPECT_EQ(resolutions, 1);
    EXPECT_EQ(server.request_count(), 1u);
    EXPECT_EQ(list_rows(), expected_rows("base64_2lines_3qualities"));
}

// While the server takes its time, the window goes on: timers fire, typing
// reaches the address box, and the busy cursor shows until the list is filled.
TEST_F(ResolutionWindowTest, TheWindowStaysAliveWhileThePageComes)
{
    using Clock = std::chrono::steady_clock;
    serve_fixture("plain_2lines_3qualities", 200, std::chrono::milliseconds(1500));
    std::vector<Clock::time_point> ticks;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
    timer.start();
    Qt::CursorShape cursor_while_resolving = Qt::ArrowCursor;
    QString typed_by_the_end;
    on_start = [&] {
        ticks.push_back(Clock::now());
        cursor_while_resolving = window.cursor().shape();
        // Queued as a keyboard's keys are: only a turning event loop delivers them.
        for (const QChar c : QStringLiteral("#typed"))
            QCoreApplication::postEvent(address,
                                        new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, c));
    };
    on_end = [&] {
        ticks.push_back(Clock::now());
        typed_by_the_end = address->text();
    };
    type_address_and_press();

    EXPECT_EQ(list_rows(), expected_rows("plain_2lines_3qualities"));
    EXPECT_EQ(typed_by_the_end, QString::fromStdString(server.url("/room")) + "#typed");
    EXPECT_EQ(cursor_while_resolving, Qt::BusyCursor);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor) << "the usual cursor once it is over";
    // Generous for a loaded machine: the benchmark measures the real gaps. A
    // window that waits in one piece shows a single gap of 1.5 s.
    ASSERT_GE(ticks.size(), 2u);
    const auto start = ticks.front();
    const auto end = ticks.back();
    std::chrono::milliseconds longest{0};
    for (std::size_t i = 1; i < ticks.size(); ++i)
        if (ticks[i - 1] >= start && ticks[i] <= end)
            longest = std::max(longest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            ticks[i] - ticks[i - 1]));
    EXPECT_LT(longest.count(), 500) << "the longest time without a timer event";
}

// Closing the window while the page is on its way gives the resolution up: the
// transfer stops, the list keeps its rows, and the playlist that was asked for
// is not written.
TEST_F(ResolutionWindowTest, ClosingTheWindowEndsTheResolutionWithoutWriting)
{
    serve_fixture("plain_2lines_3qualities");
    type_address_and_press();
    ASSERT_EQ(list->rowCount(), 8);
    messages.clear();

    CannedReply silence;
    silence.ending = ReplyEnding::silence;
    server.serve("/room", silence);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    on_start = [&] { QTimer::singleShot(100, &window, [&] { window.close(); }); };
    type_address_and_press();

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(last_report.fetch_failure, RequestFailure::abandoned)
        << "ended by the close, not by the request's own limits";
    EXPECT_EQ(list_rows(), expected_rows("plain_2lines_3qualities"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(std::filesystem::is_empty(desktop.path()));
    EXPECT_EQ(window.empty_list_reason(), "");
}

// An empty list says why in one grey line below its rows, which is no row of its
// own; the next resolution takes it away.
TEST_F(ResolutionWindowTest, AnEmptyListSaysWhy)
{
    struct Case {
        const char* fixture;  // nullptr: a port where nothing listens
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"no_markers", 404, "页面下载失败（HTTP 404）"},
        {"plain_2lines_3qualities", 200, ""},
        {nullptr, 0, "无法连接到服务器"},
        {"no_markers", 200, "页面中没有找到直播流信息"},
        {"offline_no_lines", 200, "房间未开播"},
        {"lines_without_qualities", 200, "房间没有提供清晰度"},
        {"real_hyplayerconfig_3lines_1quality", 200, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture ? c.fixture : "refused");
        if (c.fixture) {
            serve_fixture(c.fixture, c.status);
            type_address_and_press();
        } else {
            type_address_and_press("http://127.0.0.1:" + std::to_string(unused_loopback_port()) +
                                   "/room");
        }
        EXPECT_EQ(window.empty_list_reason(), QString::fromUtf8(c.reason));
        EXPECT_EQ(list_rows(), c.fixture && c.status == 200 ? expected_rows(c.fixture)
                                                            : std::vector<Utf8Row>{});
        if (*c.reason)
            EXPECT_GT(ink_below_rows(), 0) << "the reason is drawn";
        else
            EXPECT_EQ(ink_below_rows(), 0) << "nothing is drawn";
    }
}

}  // namespace

namespace {

// Right-clicks a row, then runs what pick does with the menu that opens; the menu
// is closed afterwards whatever pick did.
void with_row_menu(QTableWidget* list, int row, const std::function<void(QMenu&)>& pick)
{
    const QPoint point(list->columnViewportPosition(2) + 5,
                       list->rowViewportPosition(row) + list->rowHeight(row) / 2);
    // The menu opens inside the event's handler and runs its own loop; look for
    // it from that loop until it is there.
    bool shown = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        poll.stop();
        shown = true;
        pick(*menu);
        menu->close();
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, list->viewport()->mapToGlobal(point));
    QApplication::sendEvent(list->viewport(), &event);
    EXPECT_TRUE(shown) << "no menu for row " << row;
}

QAction* action_named(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text) return action;
    return nullptr;
}

}  // namespace

// The row's context menu copies the written address, or a signed one made now;
// a line without anti-code and a separator row offer no signed address.
TEST_F(ResolutionWindowTest, TheRowMenuCopiesWrittenAndSignedAddresses)
{
    QString clipboard;
    window.set_clipboard_writer([&](const QString& text) {
        clipboard = text;
        return true;
    });
    serve_fixture("real_hyplayerconfig_3lines_1quality");
    type_address_and_press();
    ASSERT_EQ(list->rowCount(), 6);

    with_row_menu(list, 2, [&](QMenu& menu) {
        ASSERT_EQ(menu.actions().size(), 2);
        EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("复制播放地址"));
        QAction* copy = action_named(menu, QStringLiteral("复制播放地址"));
        ASSERT_TRUE(copy);
        copy->trigger();
    });
    EXPECT_EQ(clipboard, list->item(2, 2)->text());
    EXPECT_EQ(window.list_selected_row(), 2) << "the right-click selects its row";

    with_row_menu(list, 2, [&](QMenu& menu) {
        QAction* copy_signed = action_named(menu, QStringLiteral("复制签名地址"));
        ASSERT_TRUE(copy_signed);
        ASSERT_TRUE(copy_signed->isEnabled());
        copy_signed->trigger();
    });
    EXPECT_TRUE(clipboard.startsWith(list->item(2, 2)->text() + QStringLiteral("?wsSecret=")))
        << clipboard.toStdString();
    // Made now: the page's wsTime has long run out, so a fresh one stands there.
    EXPECT_FALSE(clipboard.contains(QStringLiteral("&wsTime=68dab09e&")));
    EXPECT_TRUE(clipboard.contains(QStringLiteral("&ctype=huya_live&fs=bgct&seqid=")));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], QStringLiteral("播放地址已经复制到剪切板"));

    with_row_menu(list, 3, [&](QMenu& menu) {
        EXPECT_FALSE(action_named(menu, QStringLiteral("复制签名地址"))->isEnabled()) << "a separator";
    });

    serve_fixture("plain_2lines_3qualities");
    type_address_and_press();
    with_row_menu(list, 0, [&](QMenu& menu) {
        EXPECT_FALSE(action_named(menu, QStringLiteral("复制签名地址"))->isEnabled())
            << "a line without anti-code";
    });
}
