// The windowed program: the main window over the Qt runtime, its commands against the
// service hosts of yyst.ini.

#include <fontconfig/fontconfig.h>
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <string_view>
#include <thread>

#include "app/download_notice.h"
#include "app/main_window.h"
#include "app/service_settings.h"
#include "app/song_commands.h"
#include "runtime/curl_on_demand.h"
#include "runtime/notify/desktop_notifier.h"
#include "runtime/qt/player_box.h"
#include "runtime/qt/program_run.h"
#include "runtime/qt/qt_runtime.h"
#include "runtime/reveal/reveal_in_folder.h"
#include "text/code_pages.h"
#include "web/message_pump.h"

namespace {

// The page requests let the window handle its events while they wait on the network.
quillet::Runtime* pumpRuntime = nullptr;

void DispatchWindowMessages() {
    if (pumpRuntime) pumpRuntime->DispatchPendingMessages();
}

// --help and --version are answered on standard output before anything is shown; the rest
// of the arguments are Qt's.
bool AnswerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            std::fputs(
                "usage: quillet [Qt options]\n"
                "The music client's window; quillet-cli runs its commands without one.\n"
                "  -h, --help     this text\n"
                "  --version      the version\n",
                stdout);
            return true;
        }
        if (arg == "--version") {
            std::fputs("quillet " QUILLET_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv)) return 0;
    quillet::PreparePlayerBackend();
    // The GBK tables are built and fontconfig reads its configuration while Qt connects to the
    // display, on the other core.
    std::jthread warmUp([] {
        quillet::PrepareCodePages();
        FcInit();
    });
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillet.Quillet"));
    quillet::EnterRunDirectory();
    quillet::QtRuntime runtime(quillet::column::Count);
    quillet::MusicClient client(runtime);
    quillet::SongCommands commands(
        runtime, [&client] { return client.SaveDirectory(); },
        quillet::ReadServiceHosts(client.SettingsPath()),
        [](const quillet::Text& path) { return quillet::RevealInFolder(path); });
    quillet::ConnectCommands(client, commands);
    // A download that ends while the user is in another window is announced on the desktop.
    quillet::DesktopNotifier notifier("Quillet音乐", &application);
    commands.SetDownloadAnnouncer(quillet::DownloadNotice(
        notifier,
        [&runtime] {
            const QWidget* window = runtime.Window(quillet::names::MainWindow);
            return window && window->isActiveWindow();
        },
        [](const quillet::Text& path) { return quillet::RevealInFolder(path); }));
    client.BindMainWindow();
    pumpRuntime = &runtime;
    quillet::SetMessagePump(&DispatchWindowMessages);
    if (!client.Show()) return 1;
    // Qt's own texts (dialog buttons) and the icon theme are needed once the window is up, not
    // before: neither is worth the wait.
    QTimer::singleShot(0, [] {
        quillet::LoadQtTranslations();
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.quillet.Quillet")));
    });
    // libcurl is loaded by a worker while the window is first drawn, not at the first search.
    runtime.Workers().Start([](std::stop_token) { quillet::LoadCurl(); });
    const int code = quillet::RunProgram(runtime, [&client] {
        quillet::SetMessagePump(nullptr);
        client.Exit();
    });
    pumpRuntime = nullptr;
    return code;
}
