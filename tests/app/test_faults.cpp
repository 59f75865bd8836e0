// Faults that strike while a database is being saved, and a second copy of the program: each
// is provoked for real (a killed process, a full disk, a file the system refuses to replace,
// another user, a second process) and must leave the user's file whole.
#include "FaultChild.h"
#include "FileSizeLimit.h"
#include "ImmutableFile.h"
#include "MainWindowHarness.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTest>
#include <csignal>
#include <cstring>
#include <optional>

namespace {

const QStringList kPeople = {"Name;Town", "Smith;York", "Miller;"};

// A database of entries lines under four columns, every line about 76 bytes.
QByteArray bigDatabase(int entries) {
    QByteArray bytes = "Name;Town;Phone;Notes\r\n";
    bytes.reserve(entries * 90);
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        bytes += "Name " + n + ";Town " + QByteArray::number(i % 977) + ";+41 44 " + n +
                 ";notes on entry " + n + " that take some room\r\n";
    }
    return bytes;
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

// Bytes the process pid has written so far, from /proc/<pid>/io; -1 when it is gone.
qint64 bytesWritten(qint64 pid) {
    QFile io(QStringLiteral("/proc/%1/io").arg(pid));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("wchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// The calls of a strace log, one line each. A call that another thread's call interrupted
// ("6 <unfinished ...>", later "<... fdatasync resumed>) = 0") is joined into one line,
// placed where it ended. strace pads short calls before " = result".
QStringList tracedCalls(const QString& log) {
    static const QRegularExpression resumed(QStringLiteral(R"(^\d+ +<\.\.\. \w+ resumed>(.*)$)"));
    const QString unfinished = QStringLiteral(" <unfinished ...>");
    QHash<QString, QString> begun;  // by thread: the start of its interrupted call
    QStringList calls;
    for (const QString& line : QString::fromUtf8(TestEnvironment::readFile(log)).split('\n')) {
        const QString thread = line.section(QLatin1Char(' '), 0, 0);
        if (line.endsWith(unfinished)) {
            begun.insert(thread, line.chopped(unfinished.size()));
            continue;
        }
        const QRegularExpressionMatch end = resumed.match(line);
        calls << (end.hasMatch() && begun.contains(thread) ? begun.take(thread) + end.captured(1)
                                                           : line);
    }
    return calls;
}

// A full disk. Either a small tmpfs mounted over folder in a mount namespace of this process
// alone (the disk really fills: ENOSPC), or a file size limit for this process (EFBIG).
class FullDisk {
public:
    enum class Kind { Tmpfs, FileSizeLimit };

    ~FullDisk() {
        lift();
        if (m_mounted)
            umount2(m_folder.toLocal8Bit().constData(), MNT_DETACH);
    }

    // Mounts a tmpfs of size bytes at folder; the reason when that is impossible here.
    QString mountTmpfs(const QString& folder, qint64 size) {
        static const QString namespaceError = [] {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return QStringLiteral("no private mount namespace: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return QString();
        }();
        if (!namespaceError.isEmpty())
            return namespaceError;
        const QByteArray options = "size=" + QByteArray::number(size);
        if (mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0, options.constData()) != 0)
            return QStringLiteral("tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        m_folder = folder;
        m_mounted = true;
        return {};
    }

    // Fills the tmpfs until only about leave bytes are free.
    void fill(qint64 leave) {
        QFile filler(m_folder + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(4096, 'f');
        while (freeBytes() > leave + block.size() && filler.write(block) == block.size()) {
        }
        while (leave == 0 && filler.write("f", 1) == 1) {
        }
    }

    // From now on this process cannot write a file beyond bytes: writes fail, no signal.
    void limitFileSize(rlim_t bytes) { m_limit.emplace(bytes); }
    // The disk has room again.
    void lift() { m_limit.reset(); }

private:
    qint64 freeBytes() const { return QStorageInfo(m_folder).bytesAvailable(); }

    QString m_folder;
    bool m_mounted = false;
    std::optional<FileSizeLimit> m_limit;
};

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void killedWhileSavingLeavesOldOrNewFile_data();
    void killedWhileSavingLeavesOldOrNewFile();
    void writesSurviveAPowerCut_data();
    void writesSurviveAPowerCut();
    void fullDiskKeepsFileAndChanges_data();
    void fullDiskKeepsFileAndChanges();
    void immutableTargetChangesNothing();
    void folderWithoutWriteRightsChangesNothing();
    void missingFolderChangesNothing();
    void secondProgramEndsAndLeavesFirstAlone();
    void refusedLoadLeavesNothingToSaveOverTheFile_data();
    void refusedLoadLeavesNothingToSaveOverTheFile();
};

void TestFaults::killedWhileSavingLeavesOldOrNewFile_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<qint64>("point");  // bytes of the new file (or written) when killed

    // The system ends the process the moment its file reaches the size: exact points.
    QTest::newRow("killed at the first byte") << "size" << qint64(1);
    QTest::newRow("killed after the first megabyte") << "size" << qint64((1 << 20) + 1);
    QTest::newRow("killed half-way") << "size" << qint64(-2);
    QTest::newRow("killed at the last byte") << "size" << qint64(-1);
    // SIGKILL from outside once the process has written so much since it began the file.
    QTest::newRow("SIGKILL as writing begins") << "sigkill" << qint64(0);
    QTest::newRow("SIGKILL after 2 MB") << "sigkill" << qint64(2 << 20);
    QTest::newRow("SIGKILL after 6 MB") << "sigkill" << qint64(6 << 20);
    QTest::newRow("SIGKILL after 11 MB") << "sigkill" << qint64(11 << 20);
}

void TestFaults::killedWhileSavingLeavesOldOrNewFile() {
    QFETCH(QString, how);
    QFETCH(qint64, point);
    TestEnvironment env;
    const QByteArray entries = bigDatabase(200'000);
    const QString in = env.writeFile(QStringLiteral("in.csv"), entries);
    const QString store = env.copyStoreTemplate();
    const QByteArray old =
        MainWindowHarness::crlf({"Name;Town;Phone;Notes", "old;file;1;kept whole"});
    const QString out = env.writeFile(QStringLiteral("out/people.csv"), old);
    if (point == -1)
        point = entries.size() - 1;
    if (point == -2)
        point = entries.size() / 2;

    QStringList arguments = {QStringLiteral("save"), in, store, out};
    if (how == QLatin1String("size"))
        arguments << QStringLiteral("--kill-at-size") << QString::number(point);
    FaultChild child(QStringLiteral(FAULT_CHILD), arguments);
    child.start();
    QVERIFY2(child.waitForLine("writing"), qPrintable(child.errors()));
    if (how == QLatin1String("sigkill")) {
        const qint64 pid = child.process().processId();
        QVERIFY(pid > 0);
        const QDeadlineTimer deadline(60000);
        const qint64 base = bytesWritten(pid);
        qint64 now = base;
        while (now >= 0 && now - base < point && !deadline.hasExpired())
            now = bytesWritten(pid);
        if (now >= 0)  // still there
            child.kill();
    }
    QVERIFY(child.finish());

    const QByteArray after = TestEnvironment::readFile(out);
    if (how == QLatin1String("size")) {
        // Killed before the new file was complete: the old one must be there, untouched.
        QVERIFY(child.crashed());
        QCOMPARE(after, old);
    } else {
        QVERIFY2(after == old || after == entries,
                 qPrintable(QStringLiteral("a file of %1 bytes").arg(after.size())));
        qInfo("%s", after == old ? "killed before the new file was complete: old file kept"
                                 : "killed after the new file was complete");
    }
    QCOMPARE(folderEntries(QFileInfo(out).path()), QStringList{"people.csv"});
}

void TestFaults::writesSurviveAPowerCut_data() {
    QTest::addColumn<QString>("write");
    QTest::newRow("a completed save") << "save";
    QTest::newRow("a record of the session alone") << "record";
}

// What a write has done survives a power cut, seen in the system calls of a real write
// (strace). A completed save: the new file reaches the disk before it takes the old one's
// place, and the folder, which holds that place, after it. A record of the session written
// alone: the store waits for the disk, so that a cut leaves it as it was, never damaged.
void TestFaults::writesSurviveAPowerCut() {
    QFETCH(QString, write);
    TestEnvironment env;
    const QString in = env.writeFile(QStringLiteral("in.csv"), bigDatabase(1000));
    const QString store = env.copyStoreTemplate();
    const QString folder = env.root() + QStringLiteral("/out");
    const QString out = env.writeFile(QStringLiteral("out/people.csv"), "old\r\n");
    const QString log = env.root() + QStringLiteral("/calls.log");
    const QStringList writing = write == QLatin1String("save")
                                    ? QStringList{QStringLiteral("save"), in, store, out}
                                    : QStringList{QStringLiteral("record"), store};
    FaultChild child(
        QStringLiteral("strace"),
        QStringList{QStringLiteral("-f"), QStringLiteral("-o"), log, QStringLiteral("-e"),
                    QStringLiteral("trace=openat,fsync,fdatasync,rename,renameat,"
                                   "renameat2,linkat"),
                    QStringLiteral(FAULT_CHILD)} +
            writing);
    // LeakSanitizer cannot work under a tracer; the other tests look for leaks in this code.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("ASAN_OPTIONS"),
        environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    child.process().setProcessEnvironment(environment);
    child.start();
    QVERIFY2(child.finish() && child.exitCode() == 0, qPrintable(child.errors()));
    const QStringList calls = tracedCalls(log);
    const QRegularExpression synced(QStringLiteral(R"(^(\d+) +(fsync|fdatasync)\((\d+)\) += 0)"));
    // Whether the writing thread, which the calls begin with, syncs the handle it opened at
    // calls[from] (the program's other threads do not wait for the disk for it).
    const QString writer = calls.first().section(QLatin1Char(' '), 0, 0);
    const auto syncsWhatItOpened = [&](qsizetype from, const QString& handle) {
        const QString thread = calls[from].section(QLatin1Char(' '), 0, 0);
        if (thread != writer)
            return false;
        for (qsizetype i = from + 1; i < calls.size(); ++i) {
            const QRegularExpressionMatch sync = synced.match(calls[i]);
            if (sync.hasMatch() && sync.captured(1) == thread && sync.captured(3) == handle)
                return true;
        }
        return false;
    };

    if (write == QLatin1String("record")) {
        const QRegularExpression storeOpened(
            QStringLiteral(R"(openat\(AT_FDCWD, "%1", .*\) += (\d+))")
                .arg(QRegularExpression::escape(store)));
        bool storeSynced = false;
        for (qsizetype i = 0; i < calls.size() && !storeSynced; ++i) {
            const QRegularExpressionMatch opened = storeOpened.match(calls[i]);
            storeSynced = opened.hasMatch() && syncsWhatItOpened(i, opened.captured(1));
        }
        QVERIFY2(storeSynced, qPrintable(calls.join('\n')));
        return;
    }

    const QRegularExpression placed(
        QStringLiteral(R"((rename|renameat2?|linkat)\(.*"%1"[^"]*\) += 0)")
            .arg(QRegularExpression::escape(out)));
    const QRegularExpression folderOpened(
        QStringLiteral(R"(openat\(AT_FDCWD, "%1", [^)]*O_DIRECTORY[^)]*\) += (\d+))")
            .arg(QRegularExpression::escape(folder)));
    qsizetype place = -1;
    for (qsizetype i = 0; i < calls.size(); ++i) {
        if (placed.match(calls[i]).hasMatch())
            place = i;
    }
    QVERIFY2(place > 0, qPrintable(calls.join('\n')));
    // Made as a temporary file (unnamed, or named after the file): synced before it is placed.
    qsizetype made = place;
    while (made > 0 && !calls[made].contains(QLatin1String("O_TMPFILE")) &&
           !calls[made].contains(QLatin1String("O_CREAT")))
        --made;
    bool fileSynced = false;
    for (qsizetype i = made + 1; i < place; ++i)
        fileSynced = fileSynced || synced.match(calls[i]).hasMatch();
    QVERIFY2(made > 0 && fileSynced, qPrintable(calls.mid(made, place - made + 1).join('\n')));
    bool folderSynced = false;
    for (qsizetype i = place + 1; i < calls.size() && !folderSynced; ++i) {
        const QRegularExpressionMatch opened = folderOpened.match(calls[i]);
        folderSynced = opened.hasMatch() && syncsWhatItOpened(i, opened.captured(1));
    }
    QVERIFY2(folderSynced, qPrintable(calls.mid(place).join('\n')));
}

void TestFaults::fullDiskKeepsFileAndChanges_data() {
    QTest::addColumn<FullDisk::Kind>("kind");
    QTest::addColumn<int>("entries");

    // A small file fits the writer's buffer: the disk refuses only its final flush.
    QTest::newRow("tmpfs, small file") << FullDisk::Kind::Tmpfs << 2;
    QTest::newRow("tmpfs, large file") << FullDisk::Kind::Tmpfs << 60'000;
    QTest::newRow("file size limit, small file") << FullDisk::Kind::FileSizeLimit << 2;
    QTest::newRow("file size limit, large file") << FullDisk::Kind::FileSizeLimit << 60'000;
}

void TestFaults::fullDiskKeepsFileAndChanges() {
    QFETCH(FullDisk::Kind, kind);
    QFETCH(int, entries);
    MainWindowHarness world;
    const QString disk = world.env.root() + QStringLiteral("/disk");
    QVERIFY(QDir().mkpath(disk));
    FullDisk full;
    if (kind == FullDisk::Kind::Tmpfs) {
        const QString reason = full.mountTmpfs(disk, 16 << 20);
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
    }
    const QByteArray old = bigDatabase(entries);
    const QString path = disk + QStringLiteral("/people.csv");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(old), old.size());
    }
    world.env.setConfig(QStringLiteral("LastDataBase"), path);
    CMyOrvaneDatabaseDlg& window = world.start();
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    world.env.prompter.clearPrompts();

    // The disk keeps room for a part of the new file only; the small one not even for that.
    const qint64 room = entries > 100 ? old.size() / 2 : 0;
    if (kind == FullDisk::Kind::Tmpfs)
        full.fill(room);
    else
        full.limitFileSize(room > 0 ? room : 20);
    const QStringList before = folderEntries(disk);
    window.action(203)->trigger();  // Save
    full.lift();

    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QCOMPARE(TestEnvironment::readFile(path), old);
    QCOMPARE(folderEntries(disk), before);
    QVERIFY(window.database().isModified());
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv* - ") + window.text(5));
    QCOMPARE(world.env.config(QStringLiteral("LastDataBase")), path);

    // Saved elsewhere, nothing is lost.
    const QString elsewhere = world.env.root() + QStringLiteral("/elsewhere.csv");
    world.env.prompter.queueFileName(elsewhere);
    window.action(204)->trigger();  // Save As
    QCOMPARE(TestEnvironment::readFile(elsewhere), old + "Jones;;;\r\n");
    QVERIFY(!window.database().isModified());
    QCOMPARE(window.currentPath(), elsewhere);
}

void TestFaults::immutableTargetChangesNothing() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    world.env.prompter.clearPrompts();
    ImmutableFile immutable(path);
    if (!immutable.isSet())
        QSKIP(qPrintable(QStringLiteral("the file system cannot make a file immutable: ") +
                         immutable.reason()));
    const QStringList before = folderEntries(world.env.root());

    window.action(203)->trigger();  // Save
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));
    QCOMPARE(folderEntries(world.env.root()), before);
    QVERIFY(window.database().isModified());
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv* - ") + window.text(5));
}

void TestFaults::folderWithoutWriteRightsChangesNothing() {
    if (geteuid() != 0)
        QSKIP("needs root to run the program as another user");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed");
    TestEnvironment env;
    // The user nobody may read the file and its folder, but not write into the folder.
    QVERIFY(QFile::setPermissions(env.root(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
    const QString path =
        env.writeFile(QStringLiteral("locked/people.csv"), MainWindowHarness::crlf(kPeople));
    const QString folder = QFileInfo(path).path();
    const QStringList before = folderEntries(folder);

    FaultChild child(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), QStringLiteral(FAULT_CHILD),
                               QStringLiteral("window"), path, QStringLiteral("--add"),
                               QStringLiteral("Jones")});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));  // root's: nobody cannot use it
    child.process().setProcessEnvironment(environment);
    child.start();
    QVERIFY(child.finish());
    QVERIFY2(!child.crashed() && child.exitCode() == 0, qPrintable(child.errors()));

    const QStringList lines = child.lines();
    const QStringList messages = lines.filter(QRegularExpression(QStringLiteral("^message: ")));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QVERIFY(lines.contains(QStringLiteral("entriesChanged=1")));
    QVERIFY2(lines.filter(QStringLiteral("title=people.csv* - ")).size() == 1,
             qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(TestEnvironment::readFile(path), MainWindowHarness::crlf(kPeople));
    QCOMPARE(folderEntries(folder), before);
}

void TestFaults::missingFolderChangesNothing() {
    MainWindowHarness world;
    CMyOrvaneDatabaseDlg& window = world.startWith(kPeople);
    const QString path = window.currentPath();
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));
    world.env.prompter.clearPrompts();
    const QString target = world.env.root() + QStringLiteral("/no such folder/people.csv");
    const QStringList before = folderEntries(world.env.root());

    world.env.prompter.queueFileName(target);
    window.action(204)->trigger();  // Save As
    const QStringList messages = world.env.prompter.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(target), qPrintable(messages.first()));
    QCOMPARE(folderEntries(world.env.root()), before);
    QCOMPARE(window.currentPath(), path);
    QCOMPARE(world.env.config(QStringLiteral("LastDataBase")), path);
    QVERIFY(window.database().isModified());
}

void TestFaults::secondProgramEndsAndLeavesFirstAlone() {
    TestEnvironment env;
    const QString program = QStringLiteral(ORVANE_PROGRAM_FILES "/orvane-database");
    // The real program reads the installation files beside itself; its per-user settings
    // start as a copy of them, pointing at the database.
    QVERIFY(QDir().mkpath(env.userFolder()));
    QVERIFY(QFile::copy(env.programFolder() + QStringLiteral("/config.ini"), env.userConfig()));
    env.setConfig(QStringLiteral("LastDataBase"),
                  env.writeFile(QStringLiteral("people.csv"), MainWindowHarness::crlf(kPeople)));
    const QStringList entries = {"Smith|York", "Miller|"};
    // Every load rewrites the store, if only its change counter.
    const auto store = [&env] { return TestEnvironment::readFile(env.userStore()); };

    FaultChild first(program, {});
    first.start();
    QVERIFY(first.process().waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(env.storeRows(2) == entries, 60000);
    const QByteArray loaded = store();

    // A second start would load the database again into the store the first works on: it
    // hands over to the first instead (which has nothing to open) and ends.
    FaultChild second(program, {});
    second.start();
    const bool ended = second.finish(30000);
    if (!ended)
        second.process().kill();
    QVERIFY(ended);
    QVERIFY(!second.crashed());
    QVERIFY2(second.exitCode() == 0, qPrintable(second.errors()));
    QCOMPARE(first.process().state(), QProcess::Running);
    QCOMPARE(store(), loaded);

    // A program that was killed does not lock the user out.
    first.process().kill();
    QVERIFY(first.finish());
    FaultChild later(program, {});
    later.start();
    QTRY_VERIFY2_WITH_TIMEOUT(store() != loaded && env.storeRows(2) == entries,
                              qPrintable(later.errors()), 60000);
    QCOMPARE(later.process().state(), QProcess::Running);
    later.process().kill();
    QVERIFY(later.finish());
}

void TestFaults::refusedLoadLeavesNothingToSaveOverTheFile_data() {
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("at start-up, store immutable") << true << "immutable";
    QTest::newRow("at start-up, disk full under the store") << true << "full";
    QTest::newRow("through Open, store immutable") << false << "immutable";
    QTest::newRow("through Open, disk full under the store") << false << "full";
}

// The working store cannot take the file to be loaded: the window must not end up on that
// file with other entries, which the next save would write over it.
void TestFaults::refusedLoadLeavesNothingToSaveOverTheFile() {
    QFETCH(bool, atStart);
    QFETCH(QString, refusal);
    MainWindowHarness world;
    FullDisk full;
    if (refusal == QLatin1String("full")) {
        const QString reason = full.mountTmpfs(world.env.dataHome(), 4 << 20);
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
    }
    const QString a = world.writeDatabase(QStringLiteral("a.csv"), kPeople);
    const QByteArray bBytes = bigDatabase(20'000);
    const QString b = world.env.writeFile(QStringLiteral("b.csv"), bBytes);
    world.env.setConfig(QStringLiteral("LastDataBase"), a);
    CMyOrvaneDatabaseDlg* window = &world.start();
    QVERIFY(world.addEntry({QStringLiteral("Jones")}));  // unsaved, and kept
    if (atStart) {
        world.env.prompter.queueAnswer(Prompter::Answer::No);
        QVERIFY(world.close());
        world.env.setConfig(QStringLiteral("LastDataBase"), b);
    }
    std::optional<ImmutableFile> immutable;
    if (refusal == QLatin1String("immutable")) {
        immutable.emplace(world.env.userStore());
        if (!immutable->isSet())
            QSKIP(qPrintable(QStringLiteral("the file system cannot make a file immutable: ") +
                             immutable->reason()));
    } else {
        full.fill(0);
    }
    world.env.prompter.clearPrompts();
    if (atStart) {
        window = &world.start();
    } else {
        world.env.prompter.queueAnswer(Prompter::Answer::No);  // do not save a.csv first
        world.env.prompter.queueFileName(b);
        window->action(202)->trigger();  // Open
    }

    const QStringList messages = world.env.prompter.messageTexts();
    QVERIFY2(!messages.filter(QStringLiteral("b.csv")).isEmpty(), qPrintable(messages.join('\n')));
    const QStringList listed = MainWindowHarness::listedRows(window->viewAllPage());
    QVERIFY(
        !listed.contains(QStringLiteral("Name 0|Town 0|+41 44 0|notes on entry 0 that take "
                                        "some room")));
    for (CViewTab* page : {&window->viewAllPage(), &window->viewFilteredPage()})
        QVERIFY(page->database().columnNames() != QStringLiteral("Name;Town;Phone;Notes"));
    if (atStart) {
        // Nothing was open before: an empty untitled database, which the store's leftovers
        // (a.csv's entries, and Jones whom the user discarded) do not reach.
        QCOMPARE(window->currentPath(), QStringLiteral("/") + window->text(130));
        QCOMPARE(window->windowTitle(),
                 window->text(130) + QStringLiteral(" - ") + window->text(5));
        QCOMPARE(listed, QStringList());
        QVERIFY(world.addEntry({QStringLiteral("Young")}));
        const QString columns = window->database().columnNames();
        const QString c = world.env.root() + QStringLiteral("/c.csv");
        world.env.prompter.queueFileName(c);
        window->action(204)->trigger();  // Save As
        QCOMPARE(TestEnvironment::readFile(c),
                 MainWindowHarness::crlf(
                     {columns, QStringLiteral("Young") + QString(columns.count(';'), ';')}));
    } else {
        // The database it had stays, unsaved change and all.
        QCOMPARE(window->currentPath(), a);
        QCOMPARE(window->windowTitle(), QStringLiteral("a.csv* - ") + window->text(5));
        QCOMPARE(window->database().columnNames(), QStringLiteral("Name;Town"));
        QCOMPARE(listed, QStringList({"Smith|York", "Miller|", "Jones|"}));
        QVERIFY(window->database().isModified());
        QCOMPARE(world.env.config(QStringLiteral("LastDataBase")), a);
    }

    world.env.prompter.queueFileName(QString());  // Save As of the untitled one: cancelled
    window->action(203)->trigger();               // Save
    immutable.reset();
    full.lift();
    QCOMPARE(TestEnvironment::readFile(b), bBytes);
    if (!atStart)
        QCOMPARE(TestEnvironment::readFile(a),
                 MainWindowHarness::crlf(kPeople + QStringList{"Jones;"}));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
