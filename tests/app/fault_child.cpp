// A helper process for the fault tests: it saves a database with the program's own code, so
// that a test can kill it, limit its file size or run it as another user while it does.
//
//   fault_child save <in.csv> <store> <out.csv> [--kill-at-size N]
//       Loads in.csv into the working store at store (a copy of the template), reads every
//       entry back and writes them to out.csv. Prints "writing" just before the file is
//       written. --kill-at-size lets the system end the process (SIGXFSZ) the moment a file
//       it writes reaches N bytes. Exit code 0 when saved, 3 when the save reported a file
//       error.
//
//   fault_child window <in.csv> [--add <value>]
//       Starts the real main window (offscreen, scripted answers) on in.csv in a world of its
//       own, optionally adds an entry with value in column 1, and runs Save Database. Prints
//       every message shown, then "entriesChanged=0|1" and "title=<window title>".
//
//   fault_child record <store>
//       Writes a record of the session alone (a sort column) into the working store at store.
//
//   fault_child session <world> <change> [<change> ...]
//       Starts the real main window in the world a test made in folder world, answering every
//       question as a cancelling user, and makes each change as a user would
//       (MainWindowHarness::makeChange). Prints "changing <change>" before and "changed
//       <change>" after each, then waits to be killed.
#include "ActionGuard.h"
#include "CsvDatabaseFile.h"
#include "FileError.h"
#include "MainWindowHarness.h"
#include "PowerClass.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"

#include <sys/resource.h>
#include <QAction>
#include <QApplication>
#include <QThread>
#include <csignal>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// The system ends the process like any other kill once a file it writes reaches bytes.
void killAtFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

int save(const QStringList& args) {
    if (args.size() < 3)
        return 2;
    const QString& in = args[0];
    const QString& store = args[1];
    const QString& out = args[2];
    const csvfile::LoadReport report = csvfile::LoadIntoStore(in, store);
    if (!report.storeUsable) {
        say(QStringLiteral("store: ") + report.storeError);
        return 2;
    }
    const int columns = schema::columnCount(report.columnNames);
    SQLite3PowerClass sql;
    if (sql.Query(store, schema::table(), QString(), QString(),
                  std::min(columns, schema::kColumnCount))
            .failed())
        return 2;
    say(QStringLiteral("loaded %1").arg(sql.rowCount()));

    const qsizetype limit = args.indexOf(QStringLiteral("--kill-at-size"));
    if (limit > 0 && limit + 1 < args.size())
        killAtFileSize(args[limit + 1].toULongLong());

    say(QStringLiteral("writing"));
    try {
        if (!csvfile::Write(out, report.columnNames, sql.m_resultValues, columns, report.dialect)
                 .written())
            return 3;
    } catch (const FileError& error) {
        say(QStringLiteral("error: ") + actionguard::describe(error));
        return 3;
    }
    say(QStringLiteral("saved"));
    return 0;
}

int window(const QStringList& args) {
    if (args.isEmpty())
        return 2;
    MainWindowHarness world;
    world.env.setConfig(QStringLiteral("LastDataBase"), args[0]);
    CMyOrvaneDatabaseDlg& window = world.start();
    const qsizetype add = args.indexOf(QStringLiteral("--add"));
    if (add > 0 && add + 1 < args.size()) {
        window.viewAllPage().OnAddEntry();
        window.OnPollTimer();
        MainWindowHarness::typeInto(window.addEditPage().field(1), args[add + 1]);
        world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    }
    window.action(203)->trigger();  // Save, inside the guard of every command
    for (QString text : world.env.prompter.messageTexts())
        say(QStringLiteral("message: ") + text.replace(QLatin1Char('\n'), QLatin1Char(' ')));
    say(QStringLiteral("entriesChanged=%1").arg(window.database().isModified() ? 1 : 0));
    say(QStringLiteral("title=") + window.windowTitle());
    return 0;
}

int record(const QStringList& args) {
    if (args.isEmpty())
        return 2;
    storesession::Update update;
    update.sortColumn = schema::column(2);
    return storesession::write(args[0], update) ? 0 : 3;
}

int session(const QStringList& args) {
    if (args.isEmpty())
        return 2;
    MainWindowHarness world(args[0]);
    world.start();
    for (const QString& change : args.mid(1)) {
        say(QStringLiteral("changing ") + change);
        if (!world.makeChange(change)) {
            say(QStringLiteral("failed ") + change);
            return 3;
        }
        say(QStringLiteral("changed ") + change);
    }
    for (;;)
        QThread::sleep(60);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    const QString mode = args.takeFirst();
    if (mode == QLatin1String("save"))
        return save(args);
    if (mode == QLatin1String("window"))
        return window(args);
    if (mode == QLatin1String("record"))
        return record(args);
    if (mode == QLatin1String("session"))
        return session(args);
    return 2;
}
