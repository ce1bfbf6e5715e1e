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
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

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
            resolve_room(view.address_text(), view);
        });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        address = window.findChild<QLineEdit*>(QStringLiteral("播放地址"));
        button = window.findChild<QPushButton*>(QStringLiteral("解析按钮"));
        box = window.findChild<QCheckBox*>(QStringLiteral("选择框"));
        list = window.findChild<QTableWidget*>(QStringLiteral("列表框"));
        ASSERT_TRUE(address && button && box && list);
    }

    void serve_fixture(const std::string& name)
    {
        CannedReply reply;
        reply.body = read_file(page_fixture(name + ".html"));
        server.serve("/room", reply);
    }

    void type_address_and_press()
    {
        address->clear();
        QTest::keyClicks(address, QString::fromStdString(server.url("/room")));
        QTest::mouseClick(button, Qt::LeftButton);
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

TEST_F(ResolutionWindowTest, ASecondClickDuringDecodingStartsNoNestedResolution)
{
    serve_fixture("base64_2lines_3qualities");
    int clicks_inside = 0;
    set_event_pump([&] {
        if (clicks_inside++ == 0) QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
    type_address_and_press();
    set_event_pump(pump_window_events);

    EXPECT_GT(clicks_inside, 0) << "the decoder let window events through";
    EXPECT_EQ(resolutions, 1);
    EXPECT_EQ(server.request_count(), 1u);
    EXPECT_EQ(list_rows(), expected_rows("base64_2lines_3qualities"));
}

TEST_F(ResolutionWindowTest, ClosingTheWindowDuringDecodingLetsTheResolutionFinish)
{
    serve_fixture("base64_2lines_3qualities");
    bool closed = false;
    set_event_pump([&] {
        if (!closed) closed = window.close();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
    type_address_and_press();
    set_event_pump(pump_window_events);

    EXPECT_TRUE(closed);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(list->rowCount(), 8);
}

}  // namespace
