// Drives the real main window offscreen through the actions a user waits for, and times the
// sqlite3 shell doing the same work on the same data in the same run as the anchor. Each
// measure prints one RESULT line with the medians; bench/run builds the tables from them.
//
//   orvane_bench measure <database.csv> <work folder> [runs [measure...]]
//   orvane_bench dialects <database.csv> <work folder> [runs]
//   orvane_bench startup <work folder> [runs]
//   orvane_bench startup-child <program folder>   (one start, spawned by "startup")
#include "CMyOrvaneDatabaseApp.h"
#include "CMyOrvaneDatabaseDlg.h"
#include "ProgramFolder.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SpreadsheetFile.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "orvane_bench: %s\n", qPrintable(what));
    std::exit(1);
}

void check(bool ok, const QString& what) {
    if (!ok)
        fail(what);
}

// What the program asked, beyond showing the progress of its work.
QStringList questions(const ScriptedPrompter& prompter) {
    QStringList asked;
    for (const ScriptedPrompter::Prompt& prompt : prompter.prompts()) {
        if (prompt.kind != QLatin1String("progress"))
            asked.append(prompt.kind + QStringLiteral(": ") + prompt.text);
    }
    return asked;
}

void progress(const QString& text) {
    std::fprintf(stderr, "  %s\n", qPrintable(text));
    std::fflush(stderr);
}

double seconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void printResult(const QString& measure, const QString& size, const QList<double>& program,
                 const QList<double>& anchor) {
    const double p = median(program);
    const double a = median(anchor);
    std::printf("RESULT %s %s program_s=%.4f anchor_s=%.4f ratio=%.2f\n", qPrintable(measure),
                qPrintable(size), p, a, a > 0 ? p / a : 0.0);
    std::fflush(stdout);
    progress(QStringLiteral("%1 %2: program %3 s, sqlite3 %4 s")
                 .arg(measure, size)
                 .arg(p, 0, 'f', 4)
                 .arg(a, 0, 'f', 4));
}

// Peak resident memory of this process so far, in bytes.
double peakResident() {
    QFile status(QStringLiteral("/proc/self/status"));
    check(status.open(QIODevice::ReadOnly), QStringLiteral("cannot read /proc/self/status"));
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;
    }
    fail(QStringLiteral("no VmHWM in /proc/self/status"));
}

bool sameFiles(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 20) != second.read(1 << 20))
            return false;
    }
    return true;
}

QString columnList(int n) {
    QStringList names;
    for (int k = 1; k <= n; ++k)
        names.append(schema::column(k));
    return names.join(QStringLiteral(", "));
}

// The one statement that makes room for a new column 2 in a table of n columns, and the one
// that closes the gap of a removed column 2: what the settings page runs, for the anchor.
QString addColumnStatement(int n) {
    const int last = std::min(n + 1, schema::kColumnCount);
    QStringList set;
    for (int k = last; k >= 3; --k)
        set.append(schema::column(k) + QLatin1Char('=') + schema::column(k - 1));
    set.append(schema::column(2) + QStringLiteral("=''"));
    return QStringLiteral("UPDATE %1 SET %2;").arg(schema::table(), set.join(QStringLiteral(", ")));
}

QString removeColumnStatement(int n) {
    QStringList set;
    for (int k = 2; k < n; ++k)
        set.append(schema::column(k) + QLatin1Char('=') + schema::column(k + 1));
    set.append(schema::column(n) + QStringLiteral("=''"));
    return QStringLiteral("UPDATE %1 SET %2;").arg(schema::table(), set.join(QStringLiteral(", ")));
}

// The sqlite3 shell on one database file. Each command line runs in turn; the output goes
// nowhere unless asked for (the import's warnings about short lines included).
class Sqlite3 {
public:
    explicit Sqlite3(const QString& database) : m_database(database) {}

    double time(const QStringList& commands) {
        double elapsed = 0;
        run(commands, &elapsed);
        return elapsed;
    }
    QString output(const QStringList& commands) { return run(commands, nullptr); }

    // The working store's settings for the user's changes, so that both sides write the same
    // way: a rollback journal on the disk, each commit waited for.
    static QStringList storeSettings() {
        return {QStringLiteral("PRAGMA synchronous=FULL;"),
                QStringLiteral("PRAGMA journal_mode=DELETE;")};
    }

private:
    QString run(const QStringList& commands, double* elapsed) {
        QProcess shell;
        shell.setProgram(QStringLiteral("sqlite3"));
        shell.setArguments(QStringList{QStringLiteral("-batch"), m_database} + commands);
        shell.setStandardInputFile(QProcess::nullDevice());
        shell.setStandardErrorFile(QProcess::nullDevice());
        if (elapsed)
            shell.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        shell.start();
        const bool finished = shell.waitForFinished(-1);
        if (elapsed)
            *elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        check(finished && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0,
              QStringLiteral("sqlite3 failed on: %1").arg(commands.join(QLatin1Char(' '))));
        return elapsed ? QString() : QString::fromLatin1(shell.readAllStandardOutput()).trimmed();
    }

    QString m_database;
};

// The world the tests make (HOME, XDG_DATA_HOME and a program folder with this build's
// installation files), in folder, with the template config.ini starting the program on an
// empty database of the given column line.
std::unique_ptr<TestEnvironment> makeWorld(const QString& folder, const QByteArray& columnLine) {
    auto world = std::make_unique<TestEnvironment>(folder);
    const QString emptyDatabase =
        world->writeFile(QStringLiteral("empty.csv"), columnLine + "\r\n");
    // No per-user copy yet: this writes the template.
    world->setConfig(QStringLiteral("LastDataBase"), emptyDatabase);
    return world;
}

// Everything measured on one database file, in one process, so that peak memory belongs to
// that file alone. Named measures narrow it down for a profiler; open always runs.
class Measurement {
public:
    Measurement(const QString& csv, const QString& work, int runs, const QStringList& only)
        : m_csv(QFileInfo(csv).absoluteFilePath()), m_runs(runs), m_only(only) {
        QFile file(m_csv);
        check(file.open(QIODevice::ReadOnly), QStringLiteral("cannot read %1").arg(m_csv));
        m_columnLine = file.readLine().trimmed();
        m_columns = static_cast<int>(m_columnLine.count(';')) + 1;
        while (!file.atEnd()) {
            const QByteArray chunk = file.read(1 << 22);
            m_entries += static_cast<int>(chunk.count('\n'));
        }
        m_fileBytes = file.size();
        m_size = QStringLiteral("%1x%2").arg(m_entries).arg(m_columns);
        m_world = makeWorld(work + QStringLiteral("/") + m_size, m_columnLine);
        m_anchorStore = m_world->root() + QStringLiteral("/anchor.sqlite");
    }

    void run() {
        progress(QStringLiteral("%1 entries of %2 columns (%3)")
                     .arg(m_entries)
                     .arg(m_columns)
                     .arg(m_csv));
        CMyOrvaneDatabaseDlg window;
        m_window = &window;
        window.show();
        window.OnInitDialog();
        settle();
        expectNoPrompt(QStringLiteral("start-up"));
        const double emptyPeak = peakResident();

        open();
        const double peak = (peakResident() - emptyPeak) / kMiB;
        progress(QStringLiteral("peak after the first open, into an empty store: %1 MiB")
                     .arg((m_firstOpenPeak - emptyPeak) / kMiB, 0, 'f', 1));
        const double file = static_cast<double>(m_fileBytes) / kMiB;
        std::printf("RESULT peak_rss %s program_mb=%.1f file_mb=%.1f ratio=%.2f\n",
                    qPrintable(m_size), peak, file, peak / file);
        std::fflush(stdout);
        progress(QStringLiteral("peak_rss %1: %2 MiB for a file of %3 MiB")
                     .arg(m_size)
                     .arg(peak, 0, 'f', 1)
                     .arg(file, 0, 'f', 1));

        const QList<QPair<QStringList, void (Measurement::*)()>> measures = {
            {{QStringLiteral("first_add_entry"), QStringLiteral("first_edit_entry"),
              QStringLiteral("first_remove_entry")},
             &Measurement::firstChanges},
            {{QStringLiteral("save")}, &Measurement::save},
            {{QStringLiteral("sort")}, &Measurement::sort},
            {{QStringLiteral("search")}, &Measurement::search},
            {{QStringLiteral("filter")}, &Measurement::filter},
            {{QStringLiteral("scroll")}, &Measurement::scroll},
            {{QStringLiteral("add_entry")}, &Measurement::addEntry},
            {{QStringLiteral("edit_entry")}, &Measurement::editEntry},
            {{QStringLiteral("remove_entry")}, &Measurement::removeEntry},
            {{QStringLiteral("add_column"), QStringLiteral("remove_column")},
             &Measurement::columns},
            {{QStringLiteral("history_memory")}, &Measurement::historyMemory},
        };
        for (const auto& [names, measure] : measures) {
            const bool wanted = std::any_of(names.begin(), names.end(), [&](const QString& name) {
                return m_only.isEmpty() || m_only.contains(name);
            });
            if (wanted)
                (this->*measure)();
        }
        m_window = nullptr;
        QDir(m_world->root()).removeRecursively();
    }

private:
    CViewTab& viewAll() { return m_window->viewAllPage(); }
    int listed() { return viewAll().listRowCount(); }

    // Lets the window do what is queued (layout, painting) before the clock stops.
    static void settle() { QCoreApplication::processEvents(); }

    void expectNoPrompt(const QString& step) {
        if (!questions(m_prompter).isEmpty())
            fail(QStringLiteral("%1 asked: %2").arg(step, questions(m_prompter).join("; ")));
    }

    // Takes the change just made back and makes it again through the Edit menu, timing each
    // until the window shows the result.
    void undoAndRedo(QList<double>& undo, QList<double>& redo) {
        for (auto [command, times] :
             {std::pair{texts::UndoCommand, &undo}, std::pair{texts::RedoCommand, &redo}}) {
            QAction* item = m_window->action(command);
            check(item->isEnabled(), QStringLiteral("nothing to take back or make again"));
            times->append(seconds([&] {
                item->trigger();
                settle();
            }));
        }
    }

    // The undo and redo of a change against the change itself, in the same run.
    void printUndoResults(const QString& measure, const QList<double>& action,
                          const QList<double>& undo, const QList<double>& redo) {
        printResult(QStringLiteral("undo_") + measure, m_size, undo, action);
        printResult(QStringLiteral("redo_") + measure, m_size, redo, action);
    }

    // View All as the entry measures find it every time but the first: already in store order.
    void listInStoreOrder() {
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        viewAll().FillList(QString(), QString());
        settle();
    }

    void clickTab(int tab) {
        m_window->tabs()->setCurrentIndex(tab);
        settle();
    }

    QStringList selectAll(const QString& rest = QString()) const {
        return {QStringLiteral(".output /dev/null"),
                QStringLiteral("SELECT %1 FROM %2%3;")
                    .arg(columnList(m_columns), schema::table(), rest)};
    }

    void open() {
        check(m_window->LoadDatabase(m_csv), QStringLiteral("cannot open %1").arg(m_csv));
        settle();
        m_firstOpenPeak = peakResident();
        check(listed() == m_entries,
              QStringLiteral("the list shows %1 of %2 entries").arg(listed()).arg(m_entries));
        QList<double> program;
        QList<double> anchor;
        Sqlite3 shell(m_anchorStore);
        for (int run = 0; run < m_runs; ++run) {
            bool loaded = false;
            program.append(seconds([&] {
                loaded = m_window->LoadDatabase(m_csv);
                settle();
            }));
            check(loaded && listed() == m_entries, QStringLiteral("opening again failed"));
            QFile::remove(m_anchorStore);
            check(QFile::copy(m_world->storeTemplate(), m_anchorStore),
                  QStringLiteral("cannot copy the store template"));
            anchor.append(shell.time(
                Sqlite3::storeSettings() +
                QStringList{
                    QStringLiteral(".mode csv"), QStringLiteral(".separator \";\""),
                    QStringLiteral(".import --skip 1 \"%1\" %2").arg(m_csv, schema::table())}));
        }
        expectNoPrompt(QStringLiteral("open"));
        check(shell.output({QStringLiteral("SELECT count(*) FROM %1;").arg(schema::table())})
                      .toInt() == m_entries,
              QStringLiteral("sqlite3 imported a different number of entries"));
        printResult(QStringLiteral("open"), m_size, program, anchor);
    }

    void save() {
        const QString saved = m_world->root() + QStringLiteral("/saved.csv");
        const QString written = m_world->root() + QStringLiteral("/sqlite3.csv");
        QList<double> program;
        QList<double> anchor;
        Sqlite3 shell(m_anchorStore);
        for (int run = 0; run < m_runs; ++run) {
            QFile::remove(saved);
            bool ok = false;
            program.append(seconds([&] {
                ok = m_window->SaveDatabase(saved);
                settle();
            }));
            check(ok, QStringLiteral("saving failed"));
            QFile::remove(written);
            anchor.append(shell.time({QStringLiteral(".mode list"),
                                      QStringLiteral(".separator \";\" \"\\r\\n\""),
                                      QStringLiteral(".output \"%1\"").arg(written),
                                      QStringLiteral("SELECT %1 FROM %2;")
                                          .arg(columnList(m_columns), schema::table())}));
        }
        expectNoPrompt(QStringLiteral("save"));
        check(sameFiles(m_csv, saved), QStringLiteral("the saved file differs from the opened"));
        check(QFileInfo(written).size() == m_fileBytes - m_columnLine.size() - 2,
              QStringLiteral("sqlite3 wrote a file of another size"));
        QFile::remove(saved);
        QFile::remove(written);
        printResult(QStringLiteral("save"), m_size, program, anchor);
    }

    void sort() {
        const int k = std::min(4, m_columns - 1);  // the town: many entries share each value
        QList<double> program;
        QList<double> anchor;
        Sqlite3 shell(m_anchorStore);
        for (int run = 0; run < m_runs; ++run) {
            // A list already sorted so is not read again: start each run from store order.
            viewAll().FillList(QString(), QString());
            QHeaderView* header = viewAll().list()->horizontalHeader();
            program.append(seconds([&] {
                emit header->sectionClicked(k);  // as a click on the column's heading
                // A long sort is an operation: the list is sorted once it is over.
                while (m_window->operationRuns()) {
                    QCoreApplication::processEvents();
                    QThread::msleep(1);
                }
                settle();
            }));
            check(header->isSortIndicatorShown() && header->sortIndicatorSection() == k,
                  QStringLiteral("the list was not sorted"));
            check(listed() == m_entries, QStringLiteral("sorting lost entries"));
            anchor.append(
                shell.time(selectAll(QStringLiteral(" ORDER BY ") + schema::column(k + 1))));
        }
        // The following measures list in store order, as their anchors do.
        viewAll().setSortColumn(QString());
        viewAll().list()->horizontalHeader()->setSortIndicatorShown(false);
        printResult(QStringLiteral("sort"), m_size, program, anchor);
    }

    void search() {
        const QString pattern = QStringLiteral("%mann%");
        QList<double> program;
        QList<double> anchor;
        Sqlite3 shell(m_anchorStore);
        for (int run = 0; run < m_runs; ++run) {
            // A list already filled with this search is not read again: empty it first.
            m_window->viewFilteredPage().FillList(QStringLiteral("0"), QString());
            clickTab(CMyOrvaneDatabaseDlg::SearchTab);
            m_window->searchPage().field(1)->setText(pattern);
            program.append(seconds([&] { clickTab(CMyOrvaneDatabaseDlg::ViewFilteredTab); }));
            const int found = m_window->viewFilteredPage().listRowCount();
            check(found > 0 && found < m_entries, QStringLiteral("the search found %1").arg(found));
            anchor.append(shell.time(
                selectAll(QStringLiteral(" WHERE %1 LIKE '%2'").arg(schema::column(1), pattern))));
            clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        }
        expectNoPrompt(QStringLiteral("search"));
        printResult(QStringLiteral("search"), m_size, program, anchor);
    }

    // The filter above View All typed one letter at a time, each keystroke timed until the list
    // shows its rows; the anchor is sqlite3 scanning every column with LIKE for the same text.
    // How long each keystroke held the window (before the rows are sought in the background)
    // is printed too.
    void filter() {
        const QString typed = QStringLiteral("mann");
        QList<double> program;
        QList<double> anchor;
        QList<double> held;
        Sqlite3 shell(m_anchorStore);
        QLineEdit* field = viewAll().filterField();
        const EntriesModel& rows = viewAll().listedRows();
        const auto anyColumnContains = [this](const QString& text) {
            QStringList columns;
            for (int k = 1; k <= m_columns; ++k)
                columns.append(QStringLiteral("%1 LIKE '%%2%'").arg(schema::column(k), text));
            return QStringLiteral(" WHERE ") + columns.join(QStringLiteral(" OR "));
        };
        for (int run = 0; run < m_runs; ++run) {
            for (int letters = 1; letters <= typed.size(); ++letters) {
                QEventLoop shown;
                const QMetaObject::Connection done = QObject::connect(
                    &rows, &EntriesModel::filterApplied, &shown, &QEventLoop::quit);
                QElapsedTimer timer;
                timer.start();
                field->insert(typed.mid(letters - 1, 1));
                held.append(static_cast<double>(timer.nsecsElapsed()) / 1e9);
                shown.exec();
                settle();
                program.append(static_cast<double>(timer.nsecsElapsed()) / 1e9);
                QObject::disconnect(done);
                const QString text = typed.left(letters);
                anchor.append(shell.time(selectAll(anyColumnContains(text))));
                const int found = shell
                                      .output({QStringLiteral("SELECT count(*) FROM %1%2;")
                                                   .arg(schema::table(), anyColumnContains(text))})
                                      .toInt();
                check(rows.rowCount() == found && rows.totalRowCount() == m_entries,
                      QStringLiteral("the filter %1 shows %2 entries, sqlite3 finds %3")
                          .arg(text)
                          .arg(rows.rowCount())
                          .arg(found));
            }
            field->clear();
            settle();
            check(listed() == m_entries, QStringLiteral("the cleared filter hides entries"));
        }
        expectNoPrompt(QStringLiteral("filter"));
        printResult(QStringLiteral("filter"), m_size, program, anchor);
        printTime(QStringLiteral("filter_held"), *std::max_element(held.begin(), held.end()));
    }

    // Scrolling View All from its first entry to its last, until the window has painted them.
    void scroll() {
        QList<double> program;
        QTableView* list = viewAll().list();
        for (int run = 0; run < m_runs; ++run) {
            list->scrollToTop();
            settle();
            program.append(seconds([&] {
                list->scrollToBottom();
                list->viewport()->repaint();
                settle();
            }));
        }
        printTime(QStringLiteral("scroll_end"), median(program));
    }

    // A measure that has no anchor: the program's time alone.
    void printTime(const QString& measure, double seconds) {
        std::printf("RESULT %s %s program_s=%.4f\n", qPrintable(measure), qPrintable(m_size),
                    seconds);
        std::fflush(stdout);
        progress(
            QStringLiteral("%1 %2: program %3 s").arg(measure, m_size).arg(seconds, 0, 'f', 4));
    }

    // An entry action: the request carried out by the poll timer, the fields typed (not
    // timed: that is the user's time), and the tab click that stores it and refills the list.
    double timeEntryAction(const QString& measure, const std::function<void()>& request,
                           const std::function<void(CSearchAddEdit&)>& type) {
        double elapsed = seconds([&] {
            request();
            m_window->OnPollTimer();
            settle();
        });
        check(m_window->tabs()->currentIndex() == CMyOrvaneDatabaseDlg::AddEditTab,
              QStringLiteral("%1 did not reach the add/edit page").arg(measure));
        type(m_window->addEditPage());
        elapsed += seconds([&] { clickTab(CMyOrvaneDatabaseDlg::ViewAllTab); });
        return elapsed;
    }

    // Remove Entry on the entry in the middle, answered Yes, until the list shows the rest.
    double timeRemoval() {
        viewAll().list()->selectRow(listed() / 2);
        m_prompter.queueAnswer(Prompter::Answer::Yes);
        const double elapsed = seconds([&] {
            viewAll().OnRemoveEntry();
            settle();
        });
        check(questions(m_prompter).size() == 1, QStringLiteral("removing asked no question"));
        m_prompter.clearPrompts();
        return elapsed;
    }

    // The single-entry changes: the time each takes, and by how much it changes the count.
    struct EntryChange {
        QString measure;
        std::function<double()> timed;
        int entries;
    };
    QList<EntryChange> entryChanges() {
        const auto addRequest = [this] { viewAll().OnAddEntry(); };
        const auto typeNew = [this](CSearchAddEdit& page) {
            for (int k = 1; k <= m_columns; ++k)
                page.field(k)->setText(QStringLiteral("Neuer Eintrag %1 für d'Artagnan").arg(k));
        };
        const auto editRequest = [this] {
            viewAll().list()->selectRow(listed() / 2);
            viewAll().OnEditEntry();
        };
        const auto typeChange = [](CSearchAddEdit& page) {
            page.field(1)->setText(page.field(1)->text() + QStringLiteral(" (geändert)"));
        };
        return {
            {QStringLiteral("add_entry"),
             [=] { return timeEntryAction(QStringLiteral("add_entry"), addRequest, typeNew); }, 1},
            {QStringLiteral("edit_entry"),
             [=] { return timeEntryAction(QStringLiteral("edit_entry"), editRequest, typeChange); },
             0},
            {QStringLiteral("remove_entry"), [this] { return timeRemoval(); }, -1},
        };
    }

    // A change timed with its undo and redo, and the anchor reading every entry, on View All
    // in store order.
    void entryAction(const EntryChange& change) {
        QList<double> program;
        QList<double> anchor;
        QList<double> undo;
        QList<double> redo;
        Sqlite3 shell(m_anchorStore);
        listInStoreOrder();
        for (int run = 0; run < m_runs; ++run) {
            const int before = listed();
            program.append(change.timed());
            check(listed() == before + change.entries, QStringLiteral("%1 left %2 entries of %3")
                                                           .arg(change.measure)
                                                           .arg(listed())
                                                           .arg(before));
            anchor.append(shell.time({QStringLiteral(".output /dev/null"),
                                      QStringLiteral("SELECT * FROM %1;").arg(schema::table())}));
            undoAndRedo(undo, redo);
            check(listed() == before + change.entries,
                  QStringLiteral("%1 undone and redone left %2 entries of %3")
                      .arg(change.measure)
                      .arg(listed())
                      .arg(before));
        }
        expectNoPrompt(change.measure);
        printResult(change.measure, m_size, program, anchor);
        printUndoResults(change.measure, program, undo, redo);
    }

    void addEntry() { entryAction(entryChanges()[0]); }
    void editEntry() { entryAction(entryChanges()[1]); }
    void removeEntry() { entryAction(entryChanges()[2]); }

    // Each change first after an open, on the list as the open left it (the later changes find
    // it grown already); the file is opened again for the measures that follow.
    void firstChanges() {
        for (const EntryChange& change : entryChanges()) {
            QList<double> program;
            for (int run = 0; run < m_runs; ++run) {
                check(m_window->LoadDatabase(m_csv), QStringLiteral("opening again failed"));
                settle();
                program.append(change.timed());
            }
            printTime(QStringLiteral("first_") + change.measure, median(program));
        }
        check(m_window->LoadDatabase(m_csv), QStringLiteral("opening again failed"));
        settle();
        expectNoPrompt(QStringLiteral("first changes"));
    }

    // Adds a column before column 2 (or removes column 2) on the settings page, as the user
    // does: choose the row, press the button; returns the time from the last press until the
    // column list is refilled. The anchor runs the same statement on its own copy, so both
    // stores stay alike.
    double changeColumns(bool add, bool timed, QList<double>& anchor) {
        const int before = m_window->settingsPage().columnList()->topLevelItemCount();
        const double elapsed = moveColumn(add);
        const QString statement = add ? addColumnStatement(before) : removeColumnStatement(before);
        const double anchorTime =
            Sqlite3(m_anchorStore).time(Sqlite3::storeSettings() + QStringList{statement});
        if (timed)
            anchor.append(anchorTime);
        return elapsed;
    }

    // The program's part of changeColumns().
    double moveColumn(bool add) {
        CSettings& page = m_window->settingsPage();
        QTreeWidget* list = page.columnList();
        const int before = list->topLevelItemCount();
        list->setCurrentItem(list->topLevelItem(1));
        check(page.selectionMark() == 1, QStringLiteral("cannot choose column 2"));
        double elapsed;
        if (add) {
            page.OnAddColumn();
            page.nameField()->setText(QStringLiteral("Bemerkung"));
            elapsed = seconds([&] {
                page.OnSaveChanges();
                settle();
            });
        } else {
            elapsed = seconds([&] {
                page.OnRemoveColumn();
                settle();
            });
        }
        check(list->topLevelItemCount() == before + (add ? 1 : -1),
              QStringLiteral("the settings page shows %1 columns, had %2")
                  .arg(list->topLevelItemCount())
                  .arg(before));
        return elapsed;
    }

    // The memory the history holds after 100 column steps: column 2 removed and an empty one
    // added in its place, in turns; a removal keeps the values it overwrote, an addition next
    // to nothing. The last measure: the entries lose their columns' values on the way.
    void historyMemory() {
        constexpr int kSteps = 100;
        if (m_entries > 1'000'000)
            return;  // a hundred moves of every entry would take most of an hour
        clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        for (int step = 0; step < kSteps; ++step)
            moveColumn(step % 2 == 1);
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        const History& history = m_window->history();
        const double held = static_cast<double>(history.memoryUse()) / kMiB;
        std::printf("RESULT history_memory %s program_mb=%.1f steps=%d budget_mb=%.0f\n",
                    qPrintable(m_size), held, history.count(),
                    static_cast<double>(History::kMemoryBudget) / kMiB);
        std::fflush(stdout);
        progress(QStringLiteral("history_memory %1: %2 MiB in %3 steps, %4 of them this measure's")
                     .arg(m_size)
                     .arg(held, 0, 'f', 1)
                     .arg(history.count())
                     .arg(kSteps));
    }

    void columns() {
        clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        QList<double> addProgram, addAnchor, removeProgram, removeAnchor, untimed, undo, redo;
        // The removal undone and made again through the Edit menu: the anchor's copy is
        // changed by the removal only, as the program's store is once redone.
        const auto removeUndoneAndRedone = [&] {
            removeProgram.append(changeColumns(false, true, removeAnchor));
            undoAndRedo(undo, redo);
        };
        for (int run = 0; run < m_runs; ++run) {
            if (m_columns < schema::kColumnCount) {
                // Both measured on the file's own column count; each undone untimed.
                addProgram.append(changeColumns(true, true, addAnchor));
                changeColumns(false, false, untimed);
                removeUndoneAndRedone();
                changeColumns(true, false, untimed);
            } else {
                // No room for a 27th column: the add puts back the one just removed.
                removeUndoneAndRedone();
                addProgram.append(changeColumns(true, true, addAnchor));
            }
        }
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        check(m_window->database().columnNames().count(';') + 1 == m_columns,
              QStringLiteral("the column count changed"));
        const double listed = listAfterColumnRemoved();
        expectNoPrompt(QStringLiteral("columns"));
        printResult(QStringLiteral("add_column"), m_size, addProgram, addAnchor);
        printResult(QStringLiteral("remove_column"), m_size, removeProgram, removeAnchor);
        printUndoResults(QStringLiteral("remove_column"), removeProgram, undo, redo);
        printTime(QStringLiteral("list_after_column"), listed);
    }

    // The rest of what a column removal keeps the user waiting for: View All clicked after it,
    // until the list shows the entries under the columns left (median of the runs). Each
    // removal is taken back on the list.
    double listAfterColumnRemoved() {
        QList<double> program;
        const int entries = listed();
        for (int run = 0; run < m_runs; ++run) {
            clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
            moveColumn(false);
            program.append(seconds([&] { clickTab(CMyOrvaneDatabaseDlg::ViewAllTab); }));
            check(viewAll().listedRows().columnCount() == m_columns - 1 && listed() == entries,
                  QStringLiteral("the list shows %1 columns of %2 entries")
                      .arg(viewAll().listedRows().columnCount())
                      .arg(listed()));
            m_window->action(texts::UndoCommand)->trigger();
            settle();
        }
        return median(program);
    }

    QString m_csv;
    int m_runs;
    QStringList m_only;
    double m_firstOpenPeak = 0;
    QByteArray m_columnLine;
    int m_columns = 0;
    int m_entries = 0;
    qint64 m_fileBytes = 0;
    QString m_size;
    std::unique_ptr<TestEnvironment> m_world;
    QString m_anchorStore;
    ScriptedPrompter m_prompter;
    CMyOrvaneDatabaseDlg* m_window = nullptr;
};

// One start of the program as main() does it, ended at the main window's first paint.
int startupChild(char* program, const QString& programFolder) {
    // Started without a file, as from the desktop's menu: the bench's own arguments are no
    // file to open.
    int argc = 1;
    char* argv[] = {program, nullptr};
    CMyOrvaneDatabaseApp app(argc, argv);
    programfolder::setOverride(programFolder);
    ScriptedPrompter prompter;

    struct FirstPaint : QObject {
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (event->type() == QEvent::Paint && widget &&
                qobject_cast<CMyOrvaneDatabaseDlg*>(widget->window()))
                QCoreApplication::quit();  // after the rest of this paint
            return false;
        }
    } firstPaint;
    app.installEventFilter(&firstPaint);
    QTimer::singleShot(30000, [] { QCoreApplication::exit(3); });

    if (!app.InitInstance())
        return 4;
    const int result = app.exec();
    if (!questions(prompter).isEmpty()) {
        std::fprintf(stderr, "start-up asked: %s\n", qPrintable(questions(prompter).join("; ")));
        return 2;
    }
    return result;
}

// Process start until the main window has painted itself, on an empty database.
int startup(const QString& work, int runs) {
    const std::unique_ptr<TestEnvironment> world =
        makeWorld(work + QStringLiteral("/startup"),
                  "Name;First name;Street;Postcode;Town;Phone;E-mail;Birthday");
    QList<double> times;
    for (int run = 0; run <= runs; ++run) {  // the first start makes the per-user files
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("startup-child"), world->programFolder()});
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        const double elapsed = seconds([&] {
            child.start();
            child.waitForFinished(-1);
        });
        check(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
              QStringLiteral("the program did not start (exit code %1)").arg(child.exitCode()));
        if (run > 0)
            times.append(elapsed);
    }
    std::printf("RESULT startup 0x8 program_s=%.4f\n", median(times));
    progress(QStringLiteral("startup: %1 s").arg(median(times), 0, 'f', 4));
    QDir(world->root()).removeRecursively();
    return 0;
}

// The same entries as a comma file with every field quoted, as spreadsheets write them when
// asked to quote all text; made once beside the own-format file.
QString quotedCommaFile(const QString& csv) {
    const QString comma = csv.chopped(4) + QStringLiteral("-quoted.csv");
    if (QFileInfo(comma).exists() &&
        QFileInfo(comma).lastModified() >= QFileInfo(csv).lastModified())
        return comma;
    QFile in(csv);
    QFile out(comma + QStringLiteral(".part"));
    check(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly),
          QStringLiteral("cannot make %1").arg(comma));
    progress(QStringLiteral("Making %1").arg(comma));
    while (!in.atEnd()) {
        QByteArrayList fields = in.readLine().chopped(2).split(';');
        for (QByteArray& field : fields)
            field = '"' + field.replace("\"", "\"\"") + '"';
        out.write(fields.join(',') + "\r\n");
    }
    out.close();
    QFile::remove(comma);
    check(out.rename(comma), QStringLiteral("cannot make %1").arg(comma));
    return comma;
}

// Resets the peak resident memory to what is resident now, and returns that.
double resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    check(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1,
          QStringLiteral("cannot reset the peak memory"));
    clear.close();
    return peakResident();
}

// Opening and saving a comma file with quoted fields against sqlite3's CSV import and export,
// and writing the entries as spreadsheets (time, and memory beyond what the open database
// holds).
int dialects(const QString& csv, const QString& work, int runs) {
    const QString comma = quotedCommaFile(QFileInfo(csv).absoluteFilePath());
    QFile file(csv);
    check(file.open(QIODevice::ReadOnly), QStringLiteral("cannot read %1").arg(csv));
    const QByteArray columnLine = file.readLine().trimmed();
    const int columns = static_cast<int>(columnLine.count(';')) + 1;
    int entries = 0;
    while (!file.atEnd())
        entries += static_cast<int>(file.read(1 << 22).count('\n'));
    const QString size = QStringLiteral("%1x%2").arg(entries).arg(columns);
    const std::unique_ptr<TestEnvironment> world =
        makeWorld(work + QStringLiteral("/dialects-") + size, columnLine);
    const QString anchorStore = world->root() + QStringLiteral("/anchor.sqlite");
    progress(QStringLiteral("%1 entries of %2 columns, quoted and comma-separated (%3)")
                 .arg(entries)
                 .arg(columns)
                 .arg(comma));

    ScriptedPrompter prompter;
    CMyOrvaneDatabaseDlg window;
    window.show();
    window.OnInitDialog();
    QCoreApplication::processEvents();
    Sqlite3 shell(anchorStore);
    const auto listed = [&] { return window.viewAllPage().listRowCount(); };

    QList<double> program;
    QList<double> anchor;
    for (int run = 0; run < runs; ++run) {
        // The preview a file of another format brings, confirmed at once.
        prompter.queueDialog([](QDialog&) { return int(QDialog::Accepted); });
        bool loaded = false;
        program.append(seconds([&] {
            loaded = window.LoadDatabase(comma);
            QCoreApplication::processEvents();
        }));
        check(loaded && listed() == entries, QStringLiteral("opening the comma file failed"));
        QFile::remove(anchorStore);
        check(QFile::copy(world->storeTemplate(), anchorStore),
              QStringLiteral("cannot copy the store template"));
        anchor.append(shell.time(
            Sqlite3::storeSettings() +
            QStringList{
                QStringLiteral(".import --csv --skip 1 \"%1\" %2").arg(comma, schema::table())}));
    }
    printResult(QStringLiteral("open_quoted"), size, program, anchor);

    const QString saved = world->root() + QStringLiteral("/saved.csv");
    const QString written = world->root() + QStringLiteral("/sqlite3.csv");
    program.clear();
    anchor.clear();
    for (int run = 0; run < runs; ++run) {
        QFile::remove(saved);
        bool ok = false;
        program.append(seconds([&] {
            ok = window.SaveDatabase(saved);
            QCoreApplication::processEvents();
        }));
        check(ok, QStringLiteral("saving the comma file failed"));
        QFile::remove(written);
        anchor.append(shell.time(
            {QStringLiteral(".mode csv"), QStringLiteral(".output \"%1\"").arg(written),
             QStringLiteral("SELECT %1 FROM %2;").arg(columnList(columns), schema::table())}));
    }
    check(sameFiles(comma, saved), QStringLiteral("the saved comma file differs from the opened"));
    printResult(QStringLiteral("save_quoted"), size, program, anchor);

    const ResultGrid& grid = window.viewAllPage().listedRows().grid();
    const std::vector<int>& order = window.viewAllPage().listedRows().storeOrder();
    const QStringList names = QString::fromLatin1(columnLine).split(QLatin1Char(';'));
    for (const auto& [name, format] : {std::pair{"xlsx", spreadsheetfile::Format::Xlsx},
                                       std::pair{"ods", spreadsheetfile::Format::Ods}}) {
        const QString sheet = world->root() + QStringLiteral("/sheet.") + QLatin1String(name);
        const double before = resetPeak();
        const double elapsed = seconds([&] {
            check(spreadsheetfile::Write(sheet, format, names, grid, order, columns).written(),
                  QStringLiteral("the %1 export failed").arg(QLatin1String(name)));
        });
        const double extra = (peakResident() - before) / kMiB;
        std::printf("RESULT %s_export %s program_s=%.4f program_mb=%.1f file_mb=%.1f\n", name,
                    qPrintable(size), elapsed, extra,
                    static_cast<double>(QFileInfo(sheet).size()) / kMiB);
        std::fflush(stdout);
        progress(QStringLiteral("%1 export %2: %3 s, %4 MiB more")
                     .arg(QLatin1String(name), size)
                     .arg(elapsed, 0, 'f', 2)
                     .arg(extra, 0, 'f', 1));
        QFile::remove(sheet);
    }
    QDir(world->root()).removeRecursively();
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: orvane_bench measure <database.csv> <work folder> [runs [measure...]]\n"
                 "       orvane_bench dialects <database.csv> <work folder> [runs]\n"
                 "       orvane_bench startup <work folder> [runs]\n");
    return 2;
}

}  // namespace

QtMessageHandler standardHandler = nullptr;

// The offscreen platform's complaints about window features it lacks say nothing about the
// program; everything else still reaches stderr.
void dropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("propagateSizeHints")) &&
        !text.contains(QLatin1String("which does not have a handle")))
        standardHandler(type, context, text);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    standardHandler = qInstallMessageHandler(dropPlatformNoise);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("startup-child") && argc == 3)
        return startupChild(argv[0], QString::fromLocal8Bit(argv[2]));

    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (mode == QLatin1String("measure") && args.size() >= 4) {
        const int runs = args.size() >= 5 ? std::max(1, args[4].toInt()) : 3;
        Measurement(args[2], args[3], runs, args.mid(5)).run();
        return 0;
    }
    if (mode == QLatin1String("dialects") && (args.size() == 4 || args.size() == 5))
        return dialects(args[2], args[3], args.size() == 5 ? std::max(1, args[4].toInt()) : 3);
    if (mode == QLatin1String("startup") && (args.size() == 3 || args.size() == 4))
        return startup(args[2], args.size() == 4 ? std::max(1, args[3].toInt()) : 5);
    return usage();
}
