// Progress with Cancel while a database is opened or saved: the real dialog, the store's steps,
// and what the window is left with when the user cancels.
#include "Prompter.h"

#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

class ProgressTest : public QObject {
    Q_OBJECT
private slots:
    void dialogFollowsTheWorkAndCancels_data();
    void dialogFollowsTheWorkAndCancels();
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

QTEST_MAIN(ProgressTest)
#include "test_progress.moc"
