#include "MainWindowHarness.h"

#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

CMyOrvaneDatabaseDlg& MainWindowHarness::start() {
    m_window = std::make_unique<CMyOrvaneDatabaseDlg>();
    m_window->show();
    m_window->OnInitDialog();
    return *m_window;
}

bool MainWindowHarness::close() {
    const bool closed = m_window->close();
    if (closed)
        m_window.reset();
    return closed;
}

QString MainWindowHarness::writeDatabase(const QString& name, const QStringList& lines) const {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    return env.writeFile(name, bytes);
}

CMyOrvaneDatabaseDlg& MainWindowHarness::startWith(const QStringList& lines, const QString& name) {
    env.setConfig(QStringLiteral("LastDataBase"), writeDatabase(name, lines));
    return start();
}

void MainWindowHarness::clickTab(int tab) {
    QTabBar* bar = m_window->tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

void MainWindowHarness::typeInto(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
}

void MainWindowHarness::chooseRow(CViewTab& page, int row) {
    page.list()->selectRow(row);
}

QStringList MainWindowHarness::listedRows(const CViewTab& page) {
    QStringList rows;
    const QAbstractItemModel* model = page.list()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->index(r, c).data().toString());
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}
