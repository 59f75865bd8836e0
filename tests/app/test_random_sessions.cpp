// Random sessions: a seeded sequence of what a user does (open, add, edit, remove, filter,
// sort, undo, redo, save, an open cancelled), with background results and events let in at
// random moments between and inside the steps, checked after every step against a plain model
// of the entries, the list shown and the files' bytes. A failure names its seed and step;
// ORVANE_RANDOM_SEED repeats a sequence and ORVANE_RANDOM_STEPS makes it longer
// (tools/random-sessions runs many).
#include "MainWindowHarness.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <limits>

namespace {

using Entry = QStringList;
const QString kColumns = QStringLiteral("Name;Town;Note");
constexpr int kColumnCount = 3;

// What the program should show and hold, kept as plainly as it can be.
struct Model {
    QString path;                // the open file
    QList<Entry> entries;        // in store order
    QList<QList<Entry>> states;  // the history: the entries after each step, from the open on
    int position = 0;            // the state shown
    int saved = 0;               // the state the file holds; -1 when none of them
    bool modified = false;
    QString typed;        // the filter field
    int sortedBy = -1;    // the column View All was last sorted by
    int shownOrder = -1;  // the column the list shows sorted now, -1 for store order
    QMap<QString, QByteArray> files;

    void change(QList<Entry> after) {
        states = states.mid(0, position + 1);
        if (saved > position)
            saved = -1;
        states.append(after);
        position = static_cast<int>(states.size()) - 1;
        entries = std::move(after);
        modified = true;
    }
    QList<Entry> shown() const {
        QList<Entry> rows;
        for (const Entry& entry : entries) {
            if (typed.isEmpty() || std::any_of(entry.begin(), entry.end(), [&](const QString& v) {
                    return v.contains(typed, Qt::CaseInsensitive);
                }))
                rows.append(entry);
        }
        if (shownOrder >= 0)
            std::stable_sort(rows.begin(), rows.end(), [&](const Entry& a, const Entry& b) {
                return a[shownOrder] < b[shownOrder];
            });
        return rows;
    }
    static QList<Entry> entriesOf(const QByteArray& file) {
        QList<Entry> entries;
        for (const QByteArray& line : file.split('\n').mid(1)) {
            if (!line.trimmed().isEmpty())
                entries.append(QString::fromLatin1(line.trimmed()).split(';'));
        }
        return entries;
    }
    static QByteArray bytesOf(const QList<Entry>& entries) {
        QByteArray bytes = kColumns.toLatin1() + "\r\n";
        for (const Entry& entry : entries)
            bytes += entry.join(';').toLatin1() + "\r\n";
        return bytes;
    }
};

QStringList joined(const QList<Entry>& entries) {
    QStringList rows;
    for (const Entry& entry : entries)
        rows.append(entry.join('|'));
    return rows;
}

class Session {
public:
    Session(quint32 seed) : m_random(seed) {}

    // One step: false, with what went wrong, when the window no longer matches the model.
    bool step(QString* failure);
    void start();
    const QStringList& log() const { return m_log; }

private:
    CMyOrvaneDatabaseDlg& window() { return m_world.window(); }
    CViewTab& list() { return window().viewAllPage(); }
    ScriptedPrompter& prompter() { return m_world.env.prompter; }
    bool chance(int percent) { return m_random.bounded(100) < percent; }
    QString value() {
        // Few letters, so that filters find some entries and twins come about.
        static const QStringList values = {"", "a", "b", "ab", "ba", "abc", "c", "bb"};
        return values[m_random.bounded(static_cast<int>(values.size()))];
    }
    Entry newEntry() { return {value(), value(), value()}; }
    // Lets in what waits (a filter's result), now or not.
    void maybeLetEventsIn() {
        if (chance(50))
            QCoreApplication::processEvents();
    }
    // The save question of Open, answered at random; true when the answer saves.
    bool answerSaveQuestion();
    bool check(QString* failure);
    // Chooses a row of View All at random, as a click does: false when none is shown.
    bool chooseRow(int* row, Entry* chosen);

    void open(bool cancelled);
    void add();
    void edit();
    void remove();
    void filter();
    void sort();
    void undo(bool forward);
    void save();
    // The model's entries are in its file now.
    void saved();

    QRandomGenerator m_random;
    MainWindowHarness m_world;
    Model m_model;
    QStringList m_log;
};

void Session::start() {
    const QList<Entry> first = {{"a", "b", "c"}, {"ab", "", "b"}, {"a", "b", "c"}, {"c", "ba", ""}};
    const QList<Entry> second = {{"b", "b", "b"}, {"abc", "a", "bb"}};
    for (const auto& [name, entries] : {std::pair{QStringLiteral("first.csv"), first},
                                        std::pair{QStringLiteral("second.csv"), second}}) {
        const QString path = m_world.env.writeFile(name, Model::bytesOf(entries));
        m_model.files[path] = Model::bytesOf(entries);
    }
    m_model.path = m_world.env.root() + "/first.csv";
    m_model.entries = first;
    m_model.states = {first};
    m_world.env.setConfig("LastDataBase", m_model.path);
    m_world.start();
    // Background results may come in the middle of any work and of any question.
    prompter().setDuringWork([this] { maybeLetEventsIn(); });
}

bool Session::step(QString* failure) {
    const int action = static_cast<int>(m_random.bounded(100));
    if (action < 6)
        open(false);
    else if (action < 10)
        open(true);
    else if (action < 28)
        add();
    else if (action < 42)
        edit();
    else if (action < 54)
        remove();
    else if (action < 66)
        filter();
    else if (action < 74)
        sort();
    else if (action < 84)
        undo(false);
    else if (action < 92)
        undo(true);
    else
        save();
    maybeLetEventsIn();
    return check(failure);
}

bool Session::answerSaveQuestion() {
    if (!m_model.modified)
        return false;
    const bool save = chance(50);
    if (chance(50))
        prompter().queueMeanwhile([this] { QCoreApplication::processEvents(); });
    prompter().queueAnswer(save ? Prompter::Answer::Yes : Prompter::Answer::No);
    if (save)
        saved();
    return save;
}

void Session::open(bool cancelled) {
    const QString path = m_world.env.root() + (chance(50) ? "/first.csv" : "/second.csv");
    const bool saving = answerSaveQuestion();
    // A file without entries leaves nothing to stop: Cancel is never offered.
    const QList<Entry> entries = Model::entriesOf(m_model.files[path]);
    cancelled = cancelled && !entries.isEmpty();
    m_log.append(QStringLiteral("open %1%2%3")
                     .arg(path.section('/', -1), saving ? " after saving" : "",
                          cancelled ? " (cancelled)" : ""));
    prompter().queueFileName(path);
    if (cancelled) {
        if (saving)  // the save's progress runs to its end
            prompter().queueCancelAt(std::numeric_limits<qint64>::max());
        prompter().queueCancelAt(0);
    }
    window().action(texts::OpenDatabaseCommand)->trigger();
    if (cancelled)
        return;
    m_model.path = path;
    m_model.entries = entries;
    m_model.states = {entries};
    m_model.position = 0;
    m_model.saved = 0;
    m_model.modified = false;
    m_model.typed.clear();
    m_model.shownOrder = m_model.sortedBy;
}

void Session::add() {
    const Entry entry = newEntry();
    m_log.append("add " + entry.join('|'));
    m_world.addEntry(entry);
    m_model.shownOrder = -1;  // View All is entered again: store order
    if (entry.join(QString()).isEmpty())
        return;  // nothing typed, nothing stored
    QList<Entry> after = m_model.entries;
    after.append(entry);
    m_model.change(after);
}

bool Session::chooseRow(int* row, Entry* chosen) {
    const QList<Entry> shown = m_model.shown();
    if (shown.isEmpty())
        return false;
    *row = static_cast<int>(m_random.bounded(static_cast<int>(shown.size())));
    *chosen = shown[*row];
    MainWindowHarness::chooseRow(list(), *row);
    return true;
}

void Session::edit() {
    int row = 0;
    Entry chosen;
    if (!chooseRow(&row, &chosen))
        return;
    const int column = static_cast<int>(m_random.bounded(kColumnCount));
    const QString newValue = value();
    m_log.append(QStringLiteral("edit row %1 (%2) column %3 to %4")
                     .arg(row)
                     .arg(chosen.join('|'))
                     .arg(column)
                     .arg(newValue));
    list().OnEditEntry();
    maybeLetEventsIn();  // before the poll timer hands the entry over
    window().OnPollTimer();
    MainWindowHarness::typeInto(window().addEditPage().field(column + 1), newValue);
    m_world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    m_model.shownOrder = -1;
    if (newValue == chosen[column])
        return;
    // The entry changes together with its twins.
    QList<Entry> after = m_model.entries;
    for (Entry& entry : after) {
        if (entry == chosen)
            entry[column] = newValue;
    }
    m_model.change(after);
}

void Session::remove() {
    int row = 0;
    Entry chosen;
    if (!chooseRow(&row, &chosen))
        return;
    m_log.append(QStringLiteral("remove row %1 (%2)").arg(row).arg(chosen.join('|')));
    if (chance(50))
        prompter().queueMeanwhile([this] { QCoreApplication::processEvents(); });
    prompter().queueAnswer(Prompter::Answer::Yes);
    list().OnRemoveEntry();
    m_model.shownOrder = m_model.sortedBy;  // the list is read again in its sort order
    QList<Entry> after = m_model.entries;
    after.removeAll(chosen);  // twins go with it
    m_model.change(after);
}

void Session::filter() {
    static const QStringList texts = {"", "a", "b", "c", "ab", "B"};
    const QString text = texts[m_random.bounded(static_cast<int>(texts.size()))];
    m_log.append("filter " + text);
    list().filterField()->setText(text);
    m_model.typed = text;
}

void Session::sort() {
    const int column = static_cast<int>(m_random.bounded(kColumnCount));
    m_log.append(QStringLiteral("sort by column %1").arg(column));
    list().OnColumnClick(column);
    m_model.sortedBy = column;
    m_model.shownOrder = column;
}

void Session::undo(bool forward) {
    m_log.append(forward ? "redo" : "undo");
    const int next = m_model.position + (forward ? 1 : -1);
    if (forward)
        window().OnRedo();
    else
        window().OnUndo();
    if (next < 0 || next >= m_model.states.size())
        return;
    m_model.position = next;
    m_model.entries = m_model.states[next];
    m_model.modified = next != m_model.saved;
}

void Session::save() {
    m_log.append("save");
    window().action(texts::SaveDatabaseCommand)->trigger();
    saved();
}

void Session::saved() {
    m_model.files[m_model.path] = Model::bytesOf(m_model.entries);
    m_model.saved = m_model.position;
    m_model.modified = false;
}

bool Session::check(QString* failure) {
    const auto fail = [&](const QString& what, const QStringList& actual,
                          const QStringList& expected) {
        *failure = QStringLiteral("%1:\n  shown: %2\n  model: %3")
                       .arg(what, actual.join(" / "), expected.join(" / "));
        return false;
    };
    const QStringList stored = m_world.env.storeRows(kColumnCount);
    if (stored != joined(m_model.entries))
        return fail("the store", stored, joined(m_model.entries));
    // The list narrowed by the filter shows it once its result has come in.
    const QStringList expected = joined(m_model.shown());
    if (!QTest::qWaitFor([&] { return MainWindowHarness::listedRows(list()) == expected; }, 2000))
        return fail("View All", MainWindowHarness::listedRows(list()), expected);
    const QString title = m_model.path.section('/', -1) + (m_model.modified ? "* - " : " - ") +
                          window().text(texts::ProgramName);
    if (window().windowTitle() != title || window().currentPath() != m_model.path)
        return fail("the title", {window().windowTitle(), window().currentPath()},
                    {title, m_model.path});
    for (auto file = m_model.files.cbegin(); file != m_model.files.cend(); ++file) {
        if (TestEnvironment::readFile(file.key()) != file.value())
            return fail(file.key(), {QString::fromLatin1(TestEnvironment::readFile(file.key()))},
                        {QString::fromLatin1(file.value())});
    }
    const bool canUndo = m_model.position > 0;
    const bool canRedo = m_model.position + 1 < m_model.states.size();
    if (window().history().canUndo() != canUndo || window().history().canRedo() != canRedo)
        return fail("the history",
                    {QString::number(window().history().canUndo()),
                     QString::number(window().history().canRedo())},
                    {QString::number(canUndo), QString::number(canRedo)});
    if (!prompter().queuesEmpty())
        return fail("the questions", {"an answer was left over"}, {});
    return true;
}

}  // namespace

class TestRandomSessions : public QObject {
    Q_OBJECT
private slots:
    void sessionsMatchTheModel();
};

void TestRandomSessions::sessionsMatchTheModel() {
    const quint32 seed = qEnvironmentVariableIsSet("ORVANE_RANDOM_SEED")
                             ? qEnvironmentVariable("ORVANE_RANDOM_SEED").toUInt()
                             : QRandomGenerator::global()->generate();
    const int steps = qEnvironmentVariableIsSet("ORVANE_RANDOM_STEPS")
                          ? qEnvironmentVariableIntValue("ORVANE_RANDOM_STEPS")
                          : 2000;
    Session session(seed);
    session.start();
    for (int step = 1; step <= steps; ++step) {
        QString failure;
        if (!session.step(&failure))
            QFAIL(qPrintable(
                QStringLiteral("seed %1 (ORVANE_RANDOM_SEED=%1), step %2: %3\n"
                               "last steps: %4")
                    .arg(seed)
                    .arg(step)
                    .arg(failure, session.log().mid(session.log().size() - 8).join("; "))));
    }
}

QTEST_MAIN(TestRandomSessions)
#include "test_random_sessions.moc"
