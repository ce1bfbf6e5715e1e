#include "main_window.h"
#include "qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

testing::Environment* const qt_application =
    testing::AddGlobalTestEnvironment(new QtApplication("main_window_test"));

struct Shown {
    QString text;
    int flags;
    QString caption;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& m, std::ostream* os)
{
    *os << "{" << m.text.toStdString() << ", 0x" << std::hex << m.flags << ", "
        << m.caption.toStdString() << "}";
}

const QString copied = QStringLiteral("播放地址已经复制到剪切板");
const QString copy_failed = QStringLiteral("播放地址复制失败");
const QString notice = QStringLiteral("提示");

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        window.set_message_presenter(
            [this](const QString& text, int flags, const QString& caption) {
                messages.push_back({text, flags, caption});
            });
        list = control<QTableWidget>("列表框");
    }

    template <typename T>
    T* control(const char* name)
    {
        T* widget = window.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void show()
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // The rows a resolution leaves: a line's rows, then its separator.
    void fill_list()
    {
        for (const auto& row : std::vector<std::array<Text, 3>>{
                 {"1", "\xC0\xB6\xB9\xE2", "https://a.example/one_4000.m3u8"},  // 蓝光
                 {"", "", ""},
                 {"2", "\xB8\xDF\xC7\xE5", "https://b.example/two.m3u8"}}) {  // 高清
            const int n = window.list_append_row();
            for (int column = 0; column < 3; ++column) window.list_set_cell(n, column, row[column]);
        }
    }

    // A real double-click: Qt's item views only act on the second click of a pair.
    void double_click(QPoint at)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    QPoint address_cell(int row) { return list->visualRect(list->model()->index(row, 2)).center(); }

    MainWindow window;
    QTableWidget* list = nullptr;
    std::vector<Shown> messages;
};

TEST_F(MainWindowTest, ControlsSitWhereTheFormPutsThem)
{
    struct Expected {
        const char* name;
        const QMetaObject* kind;
        QRect geometry;
    };
    for (const Expected& e : {
             Expected{"标签1", &QLabel::staticMetaObject, {8, 8, 64, 24}},
             Expected{"播放地址", &QLineEdit::staticMetaObject, {80, 8, 232, 24}},
             Expected{"选择框", &QCheckBox::staticMetaObject, {320, 8, 128, 24}},
             Expected{"解析按钮", &QPushButton::staticMetaObject, {456, 8, 80, 24}},
             Expected{"列表框", &QTableWidget::staticMetaObject, {8, 40, 528, 324}},
         }) {
        const QWidget* widget = control<QWidget>(e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->metaObject()->inherits(e.kind)) << e.name;
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(widget->parentWidget(), &window) << e.name;
    }

    EXPECT_EQ(control<QLabel>("标签1")->text(), QStringLiteral("播放地址："));
    const QLineEdit* address = control<QLineEdit>("播放地址");
    EXPECT_EQ(address->text(), QStringLiteral("https://www.huya.com/lpl"));
    EXPECT_FALSE(address->isReadOnly());
    EXPECT_EQ(address->echoMode(), QLineEdit::Normal);
    const QCheckBox* box = control<QCheckBox>("选择框");
    EXPECT_EQ(box->text(), QStringLiteral("生成PotPlayer列表"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(control<QPushButton>("解析按钮")->text(), QStringLiteral("解析地址"));
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(window.list_selected_row(), -1);
}

TEST_F(MainWindowTest, AddressBoxHasNoLengthLimit)
{
    const QString long_address = QStringLiteral("https://www.huya.com/") + QString(40000, u'a');
    control<QLineEdit>("播放地址")->setText(long_address);
    EXPECT_EQ(window.address_text(), long_address.toStdString());
}

TEST_F(MainWindowTest, WindowIsFixedCentredAndHasNoMaximizeBox)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Pelvaro"));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    show();

    // Whatever frame the platform adds, the outer size is the fixed one and the
    // client area cannot grow or shrink.
    EXPECT_EQ(window.frameGeometry().size(), QSize(550, 400));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.size(), window.minimumSize());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.frameGeometry().topLeft(),
              screen.topLeft() + QPoint((screen.width() - 550) / 2, (screen.height() - 400) / 2));
}

TEST(CentredOrigin, HalvesTheSpareRoomDroppingTheFraction)
{
    struct Case {
        QSize screen;
        QPoint expected;
    };
    for (const Case& c : {
             Case{{1024, 768}, {237, 184}}, Case{{1920, 1080}, {685, 340}},
             Case{{1366, 769}, {408, 184}},  // odd spare room: the half pixel goes
             Case{{550, 400}, {0, 0}},
             Case{{549, 397}, {0, -1}},  // smaller than the window: toward zero
         }) {
        EXPECT_EQ(centred_origin(c.screen, QSize(550, 400)), c.expected) << c.screen.width();
    }
}

TEST_F(MainWindowTest, ListIsAReportViewWithThreeColumns)
{
    ASSERT_EQ(list->columnCount(), 3);
    const QString titles[] = {QStringLiteral("线路"), QStringLiteral("清晰度"),
                              QStringLiteral("地址")};
    const int widths[] = {50, 80, 360};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->horizontalHeaderItem(column)->text(), titles[column]);
        EXPECT_EQ(list->columnWidth(column), widths[column]);
    }
    EXPECT_TRUE(list->horizontalHeader()->defaultAlignment() & Qt::AlignLeft);
    EXPECT_TRUE(list->horizontalHeader()->isVisibleTo(list));
    EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(list->showGrid());
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(list->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::black));
}

TEST_F(MainWindowTest, ClickingAColumnHeaderChangesNothing)
{
    show();
    for (const char* name : {"b", "c", "a"})
        window.list_set_cell(window.list_append_row(), 0, name);
    list->selectRow(1);
    QHeaderView* header = list->horizontalHeader();
    for (int column = 0; column < 3; ++column) {
        const QPoint centre(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    EXPECT_EQ(window.list_cell_text(0, 0), "b");
    EXPECT_EQ(window.list_cell_text(1, 0), "c");
    EXPECT_EQ(window.list_cell_text(2, 0), "a");
    EXPECT_EQ(window.list_selected_row(), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, SelectionShowsOnlyWhileTheListHasFocus)
{
    show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    fill_list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, address_cell(0));
    ASSERT_TRUE(list->hasFocus());
    const auto highlight = [&] {
        return list->palette().color(QPalette::Active, QPalette::Highlight);
    };
    EXPECT_NE(highlight(), list->palette().color(QPalette::Active, QPalette::Base));

    control<QLineEdit>("播放地址")->setFocus();
    EXPECT_EQ(highlight(), list->palette().color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(window.list_selected_row(), 0);  // hidden, not dropped

    list->setFocus();
    EXPECT_NE(highlight(), list->palette().color(QPalette::Active, QPalette::Base));
}

TEST_F(MainWindowTest, ListOperationsAppendSetReadAndClear)
{
    EXPECT_EQ(window.list_append_row(), 0);
    EXPECT_EQ(window.list_append_row(), 1);
    EXPECT_EQ(window.list_append_row(), 2);
    EXPECT_EQ(list->rowCount(), 3);
    EXPECT_EQ(window.list_cell_text(1, 2), "");  // a new row's cells are empty

    window.list_set_cell(1, 0, "7");
    window.list_set_cell(1, 2, "https://x.example/s.m3u8");
    EXPECT_EQ(window.list_cell_text(1, 0), "7");
    EXPECT_EQ(window.list_cell_text(1, 2), "https://x.example/s.m3u8");
    EXPECT_EQ(list->item(1, 2)->text(), QStringLiteral("https://x.example/s.m3u8"));

    // Cells outside the list are ignored when set and empty when read.
    for (const auto& [row, column] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 3}}) {
        window.list_set_cell(row, column, "stray");
        EXPECT_EQ(window.list_cell_text(row, column), "") << row << "," << column;
    }
    EXPECT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->columnCount(), 3);

    EXPECT_EQ(window.list_selected_row(), -1);
    list->selectRow(2);
    EXPECT_EQ(window.list_selected_row(), 2);

    window.list_clear();
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(window.list_selected_row(), -1);
    EXPECT_EQ(window.list_cell_text(0, 0), "");
    EXPECT_EQ(window.list_append_row(), 0);
}

TEST_F(MainWindowTest, PlaylistWantedFollowsTheCheckBox)
{
    show();
    QCheckBox* box = control<QCheckBox>("选择框");
    EXPECT_FALSE(window.playlist_wanted());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_TRUE(window.playlist_wanted());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_FALSE(window.playlist_wanted());
}

// Text is code page 936 on our side and Unicode on Qt's, both ways, in every
// operation that carries text.
TEST_F(MainWindowTest, TextCrossesIntoTheWindowAsCodePage936)
{
    struct Case {
        Text gbk;
        QString shown;
    };
    const Case cases[] = {
        {"plain ascii", QStringLiteral("plain ascii")},
        {"\xD6\xD0\xCE\xC4\xB5\xD8\xD6\xB7", QStringLiteral("中文地址")},
        {"\xC0\xB6\xB9\xE2 4M", QStringLiteral("蓝光 4M")},
        {"\xA1\xA1", QString(QChar(0x3000))},  // full-width space
        {"\x80", QString(QChar(0x20AC))},      // euro sign
        {"", QString()},
    };
    QLineEdit* address = control<QLineEdit>("播放地址");
    const int row = window.list_append_row();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        window.list_set_cell(row, 1, c.gbk);
        EXPECT_EQ(list->item(row, 1)->text(), c.shown);
        EXPECT_EQ(window.list_cell_text(row, 1), c.gbk);

        address->setText(c.shown);
        EXPECT_EQ(window.address_text(), c.gbk);

        ASSERT_TRUE(window.put_clipboard_text(c.gbk));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.shown);

        messages.clear();
        window.show_message(c.gbk, 0x40000, c.gbk);
        EXPECT_EQ(messages, (std::vector<Shown>{{c.shown, 0x40000, c.shown}}));
    }
}

TEST(MessageBox, FlagsChooseIconAndStayingOnTop)
{
    struct Case {
        int flags;
        QMessageBox::Icon icon;
        bool on_top;
    };
    for (const Case& c : {
             Case{0x40040, QMessageBox::Information, true},
             Case{0x40000, QMessageBox::NoIcon, true},
             Case{0x40030, QMessageBox::Warning, true},
             Case{0x40010, QMessageBox::Critical, true},
             Case{0x40, QMessageBox::Information, false},
             Case{0x1000, QMessageBox::NoIcon, true},  // system-modal boxes stay on top too
             Case{0, QMessageBox::NoIcon, false},
         }) {
        SCOPED_TRACE(c.flags);
        const auto box = build_message_box(QStringLiteral("<b>a.dpl</b>"), c.flags, notice);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.on_top);
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_EQ(box->windowTitle(), notice);
        EXPECT_EQ(box->text(), QStringLiteral("<b>a.dpl</b>"));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    }
}

TEST_F(MainWindowTest, RealMessageBoxIsModalAndReturnsWhenClosed)
{
    show();
    int runs = 0;
    window.set_resolve_action([&](RoomView&) {
        ++runs;
        return ResolutionReport{};
    });
    // A click as the window system delivers it: Qt holds such input back from a
    // window that a modal box blocks.
    const QPoint button = control<QPushButton>("解析按钮")->geometry().center();
    const auto click_resolve = [&] {
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, button);
    };
    QString seen_caption;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen_caption = box->windowTitle();
        click_resolve();
        box->accept();
    });
    closer.start();
    present_message_box(copied, 0x40040, notice);
    closer.stop();
    EXPECT_EQ(seen_caption, notice);
    EXPECT_EQ(runs, 0) << "the box blocked the window";
    click_resolve();
    EXPECT_EQ(runs, 1) << "once the box is closed the window takes the click";
}

TEST_F(MainWindowTest, DoubleClickCopiesTheRowsAddress)
{
    fill_list();
    show();
    struct Case {
        int row;
        QString copied_text;
    };
    for (const Case& c : {Case{0, QStringLiteral("https://a.example/one_4000.m3u8")},
                          Case{2, QStringLiteral("https://b.example/two.m3u8")},
                          Case{1, QString()}}) {  // a separator row copies the empty text
        SCOPED_TRACE(c.row);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        messages.clear();
        double_click(address_cell(c.row));
        EXPECT_EQ(window.list_selected_row(), c.row);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.copied_text);
        EXPECT_EQ(messages, (std::vector<Shown>{{copied, 0x40040, notice}}));
    }
}

TEST_F(MainWindowTest, DoubleClickWithoutSelectionDoesNothing)
{
    fill_list();
    show();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const QPoint below_rows(100, list->viewport()->height() - 5);
    ASSERT_EQ(list->indexAt(below_rows), QModelIndex());
    double_click(below_rows);
    EXPECT_EQ(window.list_selected_row(), -1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, DoubleClickReportsAFailedCopy)
{
    fill_list();
    show();
    std::vector<QString> offered;
    window.set_clipboard_writer([&](const QString& text) {
        offered.push_back(text);
        return false;
    });
    double_click(address_cell(0));
    EXPECT_EQ(offered, std::vector<QString>{QStringLiteral("https://a.example/one_4000.m3u8")});
    EXPECT_EQ(messages, (std::vector<Shown>{{copy_failed, 0x40030, notice}}));
}

TEST_F(MainWindowTest, ResolveButtonIgnoresClicksWhileAResolutionRuns)
{
    show();
    QPushButton* button = control<QPushButton>("解析按钮");
    QTest::mouseClick(button, Qt::LeftButton);  // no action set: nothing happens

    int runs = 0;
    window.set_resolve_action([&](RoomView& view) {
        ++runs;
        EXPECT_EQ(&view, static_cast<RoomView*>(&window));
        if (runs > 1) return ResolutionReport{};
        // A click delivered directly, and one queued and then pumped as the
        // decoder does while a resolution runs.
        QTest::mouseClick(button, Qt::LeftButton);
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return ResolutionReport{};
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(runs, 1);

    QTest::mouseClick(button, Qt::LeftButton);  // once it has ended, a click runs again
    EXPECT_EQ(runs, 2);
}

}  // namespace
