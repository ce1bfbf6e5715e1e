// Start-up: the window on the one user-interface thread, and the hooks through
// which the text library reaches that thread.
#include "main_window.h"
#include "room_resolution.h"
#include "runtime_hooks.h"
#include "text_types.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdlib>
#include <new>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Relative paths mean the program's own folder, wherever it was started from.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Long work (waiting for a page, decoding) lets the window handle what is
    // queued, so it repaints, takes typing and can be closed; it never leaves the loop.
    set_event_pump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    set_fatal_error_reporter([](const std::string& message) {
        QMessageBox::critical(nullptr, QStringLiteral("Pelvaro"), QString::fromUtf8(message));
    });
    std::set_new_handler([] {
        // The error box needs memory too; if even that fails, just stop.
        static bool reporting = false;
        if (reporting) std::_Exit(-1);
        reporting = true;
        fatal_error(7);
    });

    MainWindow window;
    window.set_resolve_action(
        [](RoomView& view) { return resolve_room(view.address_text(), view); });
    window.show();
    return app.exec();
}
