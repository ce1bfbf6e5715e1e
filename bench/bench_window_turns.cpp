// How long the window's event loop goes without a turn while a resolution runs,
// measured through the real window: a zero-interval timer marks every turn the
// loop makes. Also how soon the program leaves its event loop once the window is
// closed while the page is still on its way. Prints milliseconds.

#include "bench_timing.h"
#include "loopback_http_server.h"
#include "main_window.h"
#include "room_page.h"
#include "room_resolution.h"
#include "runtime_hooks.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Press {
    double longest_gap_ms = 0;  // between two turns, the press and the end included
    double whole_ms = 0;
    std::size_t turns = 0;
};

// Resolves the address once, as a click on the button does.
Press press(MainWindow& window, const std::string& address)
{
    window.findChild<QLineEdit*>(QStringLiteral("播放地址"))
        ->setText(QString::fromStdString(address));
    std::vector<Clock::time_point> marks;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] { marks.push_back(Clock::now()); });
    turn.start();
    marks.push_back(Clock::now());
    window.findChild<QPushButton*>(QStringLiteral("解析按钮"))->click();
    marks.push_back(Clock::now());

    Press result;
    result.turns = marks.size() - 2;
    result.whole_ms = ms_between(marks.front(), marks.back());
    for (std::size_t i = 1; i < marks.size(); ++i)
        result.longest_gap_ms = std::max(result.longest_gap_ms, ms_between(marks[i - 1], marks[i]));
    return result;
}

void report(const char* what, MainWindow& window, const std::string& address, int runs)
{
    std::vector<double> gaps, wholes;
    std::size_t turns = 0;
    for (int i = 0; i < runs; ++i) {
        const Press p = press(window, address);
        gaps.push_back(p.longest_gap_ms);
        wholes.push_back(p.whole_ms);
        turns += p.turns;
    }
    const double worst = *std::max_element(gaps.begin(), gaps.end());
    std::printf(
        "  %-34s longest gap: median %7.1f, worst %7.1f   whole: median %7.1f   "
        "turns per run %zu   (%d runs)\n",
        what, median(gaps), worst, median(wholes), turns / runs, runs);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    set_event_pump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });

    LoopbackHttpServer server;
    const std::string page = room_page();
    CannedReply whole;
    whole.body = page;
    server.serve("/room", whole);
    // The same page in 30 pieces 100 ms apart: about 3 s on the way.
    CannedReply slow = whole;
    slow.drip_bytes = page.size() / 30 + 1;
    slow.drip_interval = std::chrono::milliseconds(100);
    server.serve("/slow", slow);
    CannedReply silence;
    silence.ending = ReplyEnding::silence;
    server.serve("/silent", silence);

    MainWindow window;
    window.set_resolve_action(
        [](RoomView& view) { return resolve_room(view.address_text(), view); });
    window.show();
    press(window, server.url("/room"));  // warm-up: engine, connections, fonts

    std::printf("event loop during a resolution through the window, %zu byte page (ms)\n",
                page.size());
    report("page served at once", window, server.url("/room"), 20);
    report("page dripped over about 3 s", window, server.url("/slow"), 3);

    // The window is closed 300 ms into a resolution that would otherwise wait for
    // the request's own limits (15 s per phase).
    Clock::time_point closed_at;
    QTimer::singleShot(0, &window, [&] {
        window.findChild<QLineEdit*>(QStringLiteral("播放地址"))
            ->setText(QString::fromStdString(server.url("/silent")));
        window.findChild<QPushButton*>(QStringLiteral("解析按钮"))->click();
    });
    QTimer::singleShot(300, &window, [&] {
        closed_at = Clock::now();
        window.close();
    });
    app.exec();
    std::printf("window closed during a resolution: event loop left after %.1f ms\n",
                ms_between(closed_at, Clock::now()));
    return 0;
}
