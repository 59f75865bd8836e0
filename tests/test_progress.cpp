// Progress with Cancel while a database is opened or saved: the real dialog, the store's steps,
// and what the window is left with when the user cancels.
#include "CsvDatabaseFile.h"
#include "Prompter.h"
#include "SQLite3PowerClass.h"
#include "Schema.h"
#include "StoreContents.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int kBigEntries = 100'000;

// A database large enough that its work is reported many times over.
QByteArray bigDatabase() {
    QByteArray bytes = "Name;Town\r\n";
    for (int i = 0; i < kBigEntries; ++i)
        bytes +=
            "Person " + QByteArray::number(i) + ";Town " + QByteArray::number(i % 100) + "\r\n";
    return bytes;
}

// A progress callback that cancels once the work reaches cancelAt (a fraction of the total;
// beyond 1: never), and remembers how far each report said the work had come.
class CancellingCallback {
public:
    explicit CancellingCallback(double cancelAt) : m_cancelAt(cancelAt) {}

    csvfile::ProgressCallback callback() {
        return [this](qint64 done, qint64 total) {
            reports.append(done);
            this->total = total;
            return done < m_cancelAt * total;
        };
    }
    // The cancel was heard while there was work left to stop.
    bool cancelledEarly() const { return !reports.isEmpty() && reports.last() < total; }

    QList<qint64> reports;
    qint64 total = -1;

private:
    double m_cancelAt;
};

void addCancelPoints() {
    QTest::addColumn<double>("cancelAt");
    QTest::newRow("never") << 2.0;
    QTest::newRow("at the first report") << 0.0;
    QTest::newRow("halfway") << 0.5;
    QTest::newRow("at the last report") << 1.0;
}

QStringList sessionOf(const QString& store) {
    const storesession::Record record = storesession::read(store);
    return {
        record.exists ? "exists" : "none",    record.path,    record.columnNames, record.sortColumn,
        record.unsaved ? "unsaved" : "saved", record.encoding};
}

QStringList folderContents(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class ProgressTest : public QObject {
    Q_OBJECT
private slots:
    void dialogFollowsTheWorkAndCancels_data();
    void dialogFollowsTheWorkAndCancels();
    void cancelledLoadKeepsTheStore_data() { addCancelPoints(); }
    void cancelledLoadKeepsTheStore();
    void cancelledWriteKeepsTheFile_data() { addCancelPoints(); }
    void cancelledWriteKeepsTheFile();
};

void ProgressTest::dialogFollowsTheWorkAndCancels_data() {
    QTest::addColumn<qint64>("total");
    QTest::newRow("small") << qint64(1000);
    QTest::newRow("beyond the dialog's int") << qint64(6'000'000'000);
}

void ProgressTest::dialogFollowsTheWorkAndCancels() {
    QFETCH(qint64, total);
    QWidget window;
    window.show();
    QtPrompter prompter;
    std::unique_ptr<Progress> progress =
        prompter.progress(&window, QStringLiteral("Opening big.csv..."), "Stop", total);

    // Work that goes on for long enough brings the dialog up, over its window only.
    QPointer<QProgressDialog> dialog;
    QVERIFY(QTest::qWaitFor(
        [&] {
            progress->advance(total / 2);
            dialog = window.findChild<QProgressDialog*>();
            return dialog && dialog->isVisible();
        },
        5000));
    QCOMPARE(dialog->labelText(), "Opening big.csv...");
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(dialog->maximum() > 0);
    QVERIFY(qAbs(dialog->value() - dialog->maximum() / 2) <= 1);

    // Cancel comes and goes; pressed, the next step hears of it.
    progress->setCancellable(false);
    QVERIFY(!dialog->findChild<QPushButton*>());
    progress->setCancellable(true);
    auto* cancel = dialog->findChild<QPushButton*>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), "Stop");
    QVERIFY(progress->advance(total / 2));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!progress->advance(total / 2 + 1));

    progress.reset();
    QVERIFY(!dialog);
}

void ProgressTest::cancelledLoadKeepsTheStore() {
    QFETCH(double, cancelAt);
    TestEnvironment env;
    const QString store = env.copyStoreTemplate();
    // The store holds a small database with changes that are in no file yet.
    storesession::Update before;
    before.path = env.root() + "/small.csv";
    QVERIFY(csvfile::LoadIntoStore(QByteArray("Name;Town\r\nSmith;York\r\n"), store, before)
                .storeUsable);
    QVERIFY(storecontents::insert(store, {"Jones", "Hull"}));
    before = {};
    before.unsaved = true;
    QVERIFY(storesession::write(store, before));
    const QStringList rows = storecontents::rows(store, 2);
    const QStringList session = sessionOf(store);

    const QByteArray bytes = bigDatabase();
    storesession::Update update;
    update.path = env.root() + "/big.csv";
    CancellingCallback progress(cancelAt);
    const csvfile::LoadReport report =
        csvfile::LoadIntoStore(bytes, store, update, progress.callback());

    QCOMPARE(progress.total, bytes.size());
    QVERIFY(std::is_sorted(progress.reports.begin(), progress.reports.end()));
    if (cancelAt > 1) {
        QVERIFY(!report.cancelled);
        QCOMPARE(report.storedEntries, kBigEntries);
        QCOMPARE(progress.reports.last(), bytes.size());
        QCOMPARE(storecontents::rows(store, 2).size(), kBigEntries);
        QCOMPARE(storesession::read(store).path, env.root() + "/big.csv");
        return;
    }
    QVERIFY(report.cancelled);
    QCOMPARE(progress.cancelledEarly(), cancelAt < 1);
    QCOMPARE(storecontents::rows(store, 2), rows);
    QCOMPARE(sessionOf(store), session);
}

void ProgressTest::cancelledWriteKeepsTheFile() {
    QFETCH(double, cancelAt);
    TestEnvironment env;
    const QString store = env.copyStoreTemplate();
    const QByteArray bytes = bigDatabase();
    QVERIFY(csvfile::LoadIntoStore(bytes, store).storeUsable);
    SQLite3PowerClass entries;
    QVERIFY(entries.Query(store, schema::table(), QString(), QString(), 2));
    const QByteArray old = "Name;Town\r\nSmith;York\r\n";
    const QString path = env.writeFile("saved/big.csv", old);

    CancellingCallback progress(cancelAt);
    const bool written = csvfile::Write(path, "Name;Town", entries.m_resultValues, 2,
                                        textencoding::Encoding::SingleByte, progress.callback());

    QCOMPARE(progress.total, qint64(kBigEntries));
    QVERIFY(std::is_sorted(progress.reports.begin(), progress.reports.end()));
    QCOMPARE(folderContents(env.root() + "/saved"), QStringList{"big.csv"});
    QCOMPARE(written, cancelAt > 1);
    QCOMPARE(TestEnvironment::readFile(path), written ? bytes : old);
    if (!written)
        QCOMPARE(progress.cancelledEarly(), cancelAt < 1);
}

QTEST_MAIN(ProgressTest)
#include "test_progress.moc"
