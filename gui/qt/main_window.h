// The program's only window: the room address, the resolve button, the playlist
// check box and the list of play addresses. It is the RoomView the flow and the
// copy handler work on.
#pragma once

#include "room_resolution.h"
#include "room_view.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class ReportList;

// Shows one message box and returns when the user has closed it.
using MessagePresenter =
    std::function<void(const QString& text, int flags, const QString& caption)>;
// Puts a text on the clipboard; false when it could not be set.
using ClipboardWriter = std::function<bool(const QString& text)>;
// What a click on the resolve button runs; the report says why the list may be empty.
using ResolveAction = std::function<ResolutionReport(RoomView& view)>;

// Outer size of the window, frame included.
inline constexpr int main_window_width = 550;
inline constexpr int main_window_height = 400;

// Top-left corner that centres a window of the given outer size on a screen of
// the given size; halves are truncated toward zero.
QPoint centred_origin(const QSize& screen, const QSize& window);

// A message box without owner, styled from MessageBox flags: the icon field
// (0x10 stop, 0x20 question, 0x30 warning, 0x40 information), 0x40000 on top.
// It blocks every window of the program while open.
std::unique_ptr<QMessageBox> build_message_box(const QString& text, int flags,
                                               const QString& caption);

// The real presenter: builds the box and runs it.
void present_message_box(const QString& text, int flags, const QString& caption);

// The real clipboard; false when there is none or it does not hold the text afterwards.
bool write_system_clipboard(const QString& text);

class MainWindow : public QWidget, public RoomView {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Text address_text() override;
    bool playlist_wanted() override;

    void list_clear() override;
    int list_append_row() override;
    void list_set_cell(int row, int column, const Text& text) override;
    Text list_cell_text(int row, int column) override;
    int list_selected_row() override;

    bool resolution_abandoned() override;  // the window was closed during the resolution
    bool put_clipboard_text(const Text& text) override;
    void show_message(const Text& text, int flags, const Text& caption) override;

    // The grey line in the list's empty area that says why the last resolution
    // found no address; empty when there is none. It is no row of the list.
    QString empty_list_reason() const;

    // Seams, wired to the real thing by default.
    void set_resolve_action(ResolveAction action);  // default: nothing
    void set_message_presenter(MessagePresenter presenter);
    void set_clipboard_writer(ClipboardWriter writer);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void on_resolve_clicked();
    void show_row_menu(const QPoint& position);
    void fit_outer_frame();
    void centre_on_primary_screen();

    QLabel* label_ = nullptr;
    QLineEdit* address_ = nullptr;
    QCheckBox* playlist_box_ = nullptr;
    QPushButton* resolve_button_ = nullptr;
    ReportList* list_ = nullptr;

    ResolveAction resolve_action_;
    ResolutionReport last_report_;  // what the rows came from, for signing them
    MessagePresenter message_presenter_;
    ClipboardWriter clipboard_writer_;
    bool resolving_ = false;
    bool abandoned_ = false;  // closed while resolving
    bool frame_fitted_ = false;
};
