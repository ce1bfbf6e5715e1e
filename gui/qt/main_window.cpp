#include "main_window.h"

#include "code_page.h"
#include "copy_handler.h"
#include "empty_list_reason.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

#include <limits>
#include <string_view>

namespace {

constexpr int column_count = 3;

const char* const default_room_address = "https://www.huya.com/lpl";

QString to_qstring(const Text& text)
{
    const std::u16string wide = gbk_to_utf16(text);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

Text to_text(const QString& text)
{
    return utf16_to_gbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                            static_cast<std::size_t>(text.size())));
}

}  // namespace

// A report list: it reports a double-click anywhere in its rows area, after the
// view has done its own part (the first click of the pair has already moved the
// selection), it shows the selection only while it has the focus, and it can
// show one grey line in the room its rows leave empty.
class ReportList final : public QTableWidget {
public:
    ReportList(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
    {
        // Black on white whatever the theme.
        QPalette colours = palette();
        colours.setColor(QPalette::Base, Qt::white);
        colours.setColor(QPalette::Text, Qt::black);
        setPalette(colours);
        highlight_ = colours.color(QPalette::Active, QPalette::Highlight);
        highlighted_text_ = colours.color(QPalette::Active, QPalette::HighlightedText);
        show_selection(false);
    }

    std::function<void()> on_double_click;

    const QString& empty_reason() const { return empty_reason_; }
    void set_empty_reason(const QString& reason)
    {
        empty_reason_ = reason;
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QTableWidget::paintEvent(event);
        if (empty_reason_.isEmpty()) return;
        // Centred in what is left below the rows: the whole area when there are none.
        QRect area = viewport()->rect();
        if (const int last = rowCount() - 1; last >= 0)
            area.setTop(rowViewportPosition(last) + rowHeight(last));
        if (area.height() < fontMetrics().height()) return;
        QPainter painter(viewport());
        painter.setPen(QColor(Qt::gray));
        painter.drawText(area, Qt::AlignCenter,
                         fontMetrics().elidedText(empty_reason_, Qt::ElideRight, area.width()));
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTableWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton && on_double_click) on_double_click();
    }
    void focusInEvent(QFocusEvent* event) override
    {
        show_selection(true);
        QTableWidget::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        show_selection(false);
        QTableWidget::focusOutEvent(event);
    }

private:
    // A hidden selection is drawn in the colours of a plain cell.
    void show_selection(bool shown)
    {
        QPalette colours = palette();
        colours.setColor(QPalette::Highlight, shown ? highlight_ : QColor(Qt::white));
        colours.setColor(QPalette::HighlightedText, shown ? highlighted_text_ : QColor(Qt::black));
        setPalette(colours);
    }

    QColor highlight_;
    QColor highlighted_text_;
    QString empty_reason_;
};

namespace {

ReportList* make_report_list(QWidget* parent)
{
    auto* list = new ReportList(0, column_count, parent);
    list->setHorizontalHeaderLabels(
        {QStringLiteral("线路"), QStringLiteral("清晰度"), QStringLiteral("地址")});
    list->setColumnWidth(0, 50);
    list->setColumnWidth(1, 80);
    list->setColumnWidth(2, 360);

    QHeaderView* header = list->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);  // clickable, but nothing sorts
    header->setSortIndicatorShown(false);
    list->setSortingEnabled(false);

    // A report view: no row numbers, compact rows, one whole row selected at a time.
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->setCornerButtonEnabled(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->setTextElideMode(Qt::ElideRight);

    return list;
}

}  // namespace

QPoint centred_origin(const QSize& screen, const QSize& window)
{
    return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
}

std::unique_ptr<QMessageBox> build_message_box(const QString& text, int flags,
                                               const QString& caption)
{
    auto box = std::make_unique<QMessageBox>();  // no owner window
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);  // messages carry file names, never markup
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    switch (flags & message_icon_mask) {
        case message_icon_error:
            box->setIcon(QMessageBox::Critical);
            break;
        case message_icon_question:
            box->setIcon(QMessageBox::Question);
            break;
        case message_icon_warning:
            box->setIcon(QMessageBox::Warning);
            break;
        case message_icon_information:
            box->setIcon(QMessageBox::Information);
            break;
        default:
            box->setIcon(QMessageBox::NoIcon);
            break;
    }
    // Task-modal means every window of the program is disabled while the box is
    // open, which is what application-modal does. A system-modal box is the same
    // plus staying on top; Qt cannot block other programs, so it is no more than that.
    box->setWindowModality(Qt::ApplicationModal);
    const bool on_top = (flags & (message_topmost | message_system_modal)) != 0;
    box->setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
    return box;
}

void present_message_box(const QString& text, int flags, const QString& caption)
{
    build_message_box(text, flags, caption)->exec();
}

bool write_system_clipboard(const QString& text)
{
    if (!qGuiApp) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text, QClipboard::Clipboard);
    // Another program may hold the clipboard or take it back at once; only what
    // can be read back counts as set.
    return clipboard->text(QClipboard::Clipboard) == text;
}

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent),
      message_presenter_(present_message_box),
      clipboard_writer_(write_system_clipboard)
{
    setWindowTitle(QStringLiteral("Pelvaro"));
    // Title bar with system menu, minimize and close; no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    label_ = new QLabel(QStringLiteral("播放地址："), this);
    label_->setObjectName(QStringLiteral("标签1"));
    label_->setGeometry(8, 8, 64, 24);

    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("播放地址"));
    address_->setGeometry(80, 8, 232, 24);
    address_->setMaxLength(std::numeric_limits<int>::max());
    address_->setText(QString::fromLatin1(default_room_address));

    playlist_box_ = new QCheckBox(QStringLiteral("生成PotPlayer列表"), this);
    playlist_box_->setObjectName(QStringLiteral("选择框"));
    playlist_box_->setGeometry(320, 8, 128, 24);

    resolve_button_ = new QPushButton(QStringLiteral("解析地址"), this);
    resolve_button_->setObjectName(QStringLiteral("解析按钮"));
    resolve_button_->setGeometry(456, 8, 80, 24);
    connect(resolve_button_, &QPushButton::clicked, this, &MainWindow::on_resolve_clicked);

    list_ = make_report_list(this);
    list_->setObjectName(QStringLiteral("列表框"));
    list_->setGeometry(8, 40, 528, 324);
    list_->on_double_click = [this] { copy_selected_address(*this); };
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &MainWindow::show_row_menu);

    // The outer size is what is fixed. Before the window is shown no frame is
    // known (and without a window manager there is none), so the client area
    // takes the whole size for now; fit_outer_frame() shrinks it once the frame
    // shows up.
    setFixedSize(main_window_width, main_window_height);
    centre_on_primary_screen();
}

MainWindow::~MainWindow() = default;

Text MainWindow::address_text()
{
    return to_text(address_->text());
}

bool MainWindow::playlist_wanted()
{
    return playlist_box_->isChecked();
}

void MainWindow::list_clear()
{
    list_->setRowCount(0);
}

int MainWindow::list_append_row()
{
    const int row = list_->rowCount();
    list_->insertRow(row);
    for (int column = 0; column < column_count; ++column) {
        auto* cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        list_->setItem(row, column, cell);
    }
    return row;
}

void MainWindow::list_set_cell(int row, int column, const Text& text)
{
    // No cell outside the list: item() is null there.
    if (QTableWidgetItem* cell = list_->item(row, column)) cell->setText(to_qstring(text));
}

Text MainWindow::list_cell_text(int row, int column)
{
    const QTableWidgetItem* cell = list_->item(row, column);  // null when out of range
    return cell ? to_text(cell->text()) : Text();
}

int MainWindow::list_selected_row()
{
    int first = -1;
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes())
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

bool MainWindow::resolution_abandoned()
{
    return abandoned_;
}

QString MainWindow::empty_list_reason() const
{
    return list_->empty_reason();
}

bool MainWindow::put_clipboard_text(const Text& text)
{
    return clipboard_writer_ && clipboard_writer_(to_qstring(text));
}

void MainWindow::show_message(const Text& text, int flags, const Text& caption)
{
    if (message_presenter_) message_presenter_(to_qstring(text), flags, to_qstring(caption));
}

void MainWindow::set_resolve_action(ResolveAction action)
{
    resolve_action_ = std::move(action);
}

void MainWindow::set_message_presenter(MessagePresenter presenter)
{
    message_presenter_ = std::move(presenter);
}

void MainWindow::set_clipboard_writer(ClipboardWriter writer)
{
    clipboard_writer_ = std::move(writer);
}

void MainWindow::on_resolve_clicked()
{
    // A resolution lets queued events run while it waits for the page and while
    // it decodes; a click arriving then must not start a second resolution
    // inside the first, which would go on writing into a list the nested one had
    // just rebuilt.
    if (resolving_ || !resolve_action_) return;
    resolving_ = true;
    abandoned_ = false;
    list_->set_empty_reason({});
    setCursor(Qt::BusyCursor);
    struct Reset {
        MainWindow& window;
        ~Reset()
        {
            window.resolving_ = false;
            window.unsetCursor();
        }
    } reset{*this};
    ResolutionReport report = resolve_action_(*this);
    if (abandoned_) return;
    list_->set_empty_reason(to_qstring(empty_list_reason_chinese(report)));
    last_report_ = std::move(report);
}

// A right-click selects the row under the mouse, then offers the double-click's
// copy and a signed address made at that moment.
void MainWindow::show_row_menu(const QPoint& position)
{
    const int row = list_->rowAt(position.y());
    if (row < 0 || resolving_) return;
    list_->selectRow(row);
    QMenu menu(this);
    menu.addAction(to_qstring(copy_address_command()), this,
                   [this] { copy_selected_address(*this); });
    QAction* copy_signed = menu.addAction(to_qstring(copy_signed_address_command()), this,
                                          [this] { copy_signed_address(*this, last_report_); });
    copy_signed->setEnabled(row_has_signed_address(last_report_, row));
    menu.exec(list_->viewport()->mapToGlobal(position));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fit_outer_frame();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    fit_outer_frame();
}

// The window goes at once; a resolution still running sees it at its next look
// at the network (or the decoder's next group) and ends without writing.
void MainWindow::closeEvent(QCloseEvent* event)
{
    if (resolving_) abandoned_ = true;
    QWidget::closeEvent(event);
}

// A window manager adds its frame after the window is mapped, and Qt learns its
// size only then (a move follows the reparenting). Once it is known, the client
// area gives up the frame's share so that the outer size stays 550 × 400, and the
// window is centred again by its outer edge. This happens once; later moves are
// the user's.
void MainWindow::fit_outer_frame()
{
    if (frame_fitted_ || !isVisible()) return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() <= 0 && frame.height() <= 0) return;
    frame_fitted_ = true;
    setFixedSize(main_window_width - frame.width(), main_window_height - frame.height());
    centre_on_primary_screen();
}

// On the whole primary screen, task bar included; for a top-level window move()
// places the outer frame.
void MainWindow::centre_on_primary_screen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.topLeft() +
         centred_origin(area.size(), QSize(main_window_width, main_window_height)));
}
