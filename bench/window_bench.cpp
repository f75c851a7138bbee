// The window during a big offline run: how long after the engine's end the
// report shows the final state, the longest the event loop stood still while
// the run went on, and how much memory the report's rows take.
//
//   quillon_window_bench [--files 50] [--tags 75000] [--sorted] [--timeout 600] [--shot FILE]
//
// The engine is timed alone first on a site of its own, then the real window
// (offscreen) runs over an identical site. "lag" is the window's time to its
// final state less the engine's time alone.
#include "desktop/UserMessages.h"
#include "settings/StoredOptions.h"
#include "engine/fetch/CurlFetcher.h"
#include "engine/run/TaggingEngine.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingKeys.h"
#include "tests/support/Pictures.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>
#include <QTableView>

#include <cstdio>

using namespace quillon;

namespace {

class SilentMessages : public UserMessages {
public:
    MessageAnswer show(
        QWidget*, const QString& title, const QString& text, MessageIcon, MessageButtons) override
    {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
        return MessageAnswer::Yes;
    }
    void beep() override { }
};

// files pages sharing tags image tags of one small local picture.
QStringList makeSite(const QString& folder, int files, int tags)
{
    QDir().mkpath(folder);
    QFile picture(folder + QStringLiteral("/pic.png"));
    if (!picture.open(QIODevice::WriteOnly)
        || picture.write(test::makePicture(QStringLiteral("png"), 24, 16)) < 0)
        return {};
    picture.close();
    QStringList pages;
    for (int f = 0; f < files; ++f) {
        const int count = tags / files + (f < tags % files ? 1 : 0);
        QByteArray html = "<html><body>\n";
        for (int t = 0; t < count; ++t)
            html += "<p>Paragraph " + QByteArray::number(t) + "</p><img src=\"pic.png\" alt=\"a\">\n";
        html += "</body></html>\n";
        const QString path = folder + QStringLiteral("/page%1.html").arg(f, 3, 10, QLatin1Char('0'));
        QFile page(path);
        if (!page.open(QIODevice::WriteOnly) || page.write(html) != html.size())
            return {};
        pages.append(path);
    }
    return pages;
}

// Resident memory in KiB, from /proc/self/status; field is "VmRSS" or "VmHWM".
long memoryKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

int intArgument(const QStringList& args, const QString& name, int fallback)
{
    const int at = static_cast<int>(args.indexOf(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

// Runs the event loop until done() or until ms have passed; true when done.
template <typename Done> bool waitFor(Done done, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int files = intArgument(args, QStringLiteral("--files"), 50);
    const int tags = intArgument(args, QStringLiteral("--tags"), 75000);
    const int timeoutSeconds = intArgument(args, QStringLiteral("--timeout"), 600);
    const bool sorted = args.contains(QStringLiteral("--sorted"));
    // A picture of the window after the run, to look at the report page.
    const int shotAt = static_cast<int>(args.indexOf(QStringLiteral("--shot")));
    const QString shot = shotAt >= 0 ? args.value(shotAt + 1) : QString();

    QTemporaryDir work;
    QTemporaryDir store;
    const Settings settings { SettingsStore(store.path()) };
    settings.write(keys::GenerateBackups, QStringLiteral("False"));

    // The engine alone, on a site of its own.
    const QStringList enginePages = makeSite(work.filePath(QStringLiteral("engine")), files, tags);
    if (enginePages.isEmpty()) {
        std::fprintf(stderr, "cannot write the site\n");
        return 1;
    }
    double engineSeconds = 0;
    {
        CurlFetcher fetcher { TransferLimits() };
        TaggingEngine engine([settings] { return tagOptionsFromSettings(settings); }, fetcher);
        QElapsedTimer clock;
        clock.start();
        engine.run(enginePages);
        engineSeconds = clock.elapsed() / 1000.0;
        std::printf("engine alone: %d files, %lld rows, %.2f s\n", files,
            static_cast<long long>(engine.report().rows().size()), engineSeconds);
    }

    const QStringList pages = makeSite(work.filePath(QStringLiteral("window")), files, tags);
    SilentMessages messages;
    MainWindowServices services;
    services.settings = settings;
    services.messages = &messages;
    services.startFolder = work.filePath(QStringLiteral("window"));
    frmMain window(services);
    window.show();
    waitFor([] { return false; }, 300); // the window is shown and painted
    window.openPages(pages);
    window.findChild<QAction*>(QStringLiteral("mnuBeginTagging"))->trigger();
    auto* report = window.findChild<QTableView*>(QStringLiteral("lvStatus"));
    if (sorted)
        window.findChild<StatusFrame*>()->lvStatus_ColumnClick(1); // a click on the Image heading
    QCoreApplication::processEvents();

    // A tick every 10 ms: the longest gap between two ticks is the longest the
    // event loop was kept from the user.
    QElapsedTimer sinceTick;
    QElapsedTimer clock;
    qint64 longestGap = 0;
    qint64 longestGapAt = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (gap > longestGap) {
            longestGap = gap;
            longestGapAt = clock.elapsed();
        }
    });

    const long rssBefore = memoryKiB("VmRSS");
    bool ended = false;
    QObject::connect(&window, &frmMain::runEnded, [&] { ended = true; });
    clock.start();
    sinceTick.start();
    ticker.start();
    window.cmdStart_Click();
    const bool finished = waitFor([&] { return ended; }, timeoutSeconds * 1000);
    const double windowSeconds = clock.elapsed() / 1000.0;
    ticker.stop();
    const int rows = report->model()->rowCount();
    const long rssAfter = memoryKiB("VmRSS");

    std::printf("window%s: %d rows shown, %s after %.2f s; lag behind the engine %.2f s\n",
        sorted ? " (sorted)" : "", rows, finished ? "final" : "NOT FINISHED", windowSeconds,
        windowSeconds - engineSeconds);
    std::printf("longest event-loop stall: %lld ms, ending %.2f s into the run\n",
        static_cast<long long>(longestGap), longestGapAt / 1000.0);
    std::printf("memory: %.1f MiB more resident after the run (peak %.1f MiB in all)\n",
        (rssAfter - rssBefore) / 1024.0, memoryKiB("VmHWM") / 1024.0);
    if (!shot.isEmpty()) {
        waitFor([] { return false; }, 300);
        if (!window.grab().save(shot))
            std::fprintf(stderr, "cannot save %s\n", qPrintable(shot));
    }
    if (!finished) {
        window.cmdStop_Click();
        if (!waitFor([&] { return ended; }, 600000))
            std::fprintf(stderr, "the stopped run did not end\n");
    }
    return finished && rows >= tags ? 0 : 1;
}
