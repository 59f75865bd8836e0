#include "MainWindowHarness.h"

#include "CLanguage.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

CMyOrvaneDatabaseDlg& MainWindowHarness::start(const QString& startFile) {
    m_window = std::make_unique<CMyOrvaneDatabaseDlg>();
    m_window->setStartFile(startFile);
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

QByteArray MainWindowHarness::crlf(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += textencoding::encodeSingleByte(line) + "\r\n";
    return bytes;
}

QString MainWindowHarness::writeDatabase(const QString& name, const QStringList& lines) const {
    return env.writeFile(name, crlf(lines));
}

std::function<int(QDialog&)> MainWindowHarness::chooseNewDatabase(int line) {
    return [line](QDialog& dialog) {
        auto& select = static_cast<CNew&>(dialog);
        select.list()->setCurrentItem(select.list()->topLevelItem(line));
        select.OnOK();
        return dialog.result();
    };
}

std::function<int(QDialog&)> MainWindowHarness::chooseLanguage(const QString& name) {
    return [name](QDialog& dialog) {
        auto& language = static_cast<CLanguage&>(dialog);
        language.languageList()->setEditText(name);
        language.OnOK();
        return dialog.result();
    };
}

bool MainWindowHarness::addEntry(const QStringList& values) {
    m_window->viewAllPage().OnAddEntry();
    if (!QTest::qWaitFor([this] { return m_window->tabs()->currentIndex() == 3; }, 1000))
        return false;
    for (int k = 0; k < values.size(); ++k)
        typeInto(m_window->addEditPage().field(k + 1), values[k]);
    clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    return true;
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
    // QTest::keyClicks knows ASCII only; other characters come as an input method sends them.
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(field, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
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

QStringList MainWindowHarness::changes() {
    return {"add entry",     "edit entry",    "remove entry",     "add column",
            "rename column", "remove column", "new from template"};
}

bool MainWindowHarness::makeChange(const QString& change) {
    CMyOrvaneDatabaseDlg& window = *m_window;
    CViewTab& list = window.viewAllPage();
    CSettings& settings = window.settingsPage();
    const auto onSettings = [&](int column) {
        clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
        settings.columnList()->setCurrentItem(settings.columnList()->topLevelItem(column));
        settings.OnColumnListClick();
    };
    if (change == QLatin1String("add entry"))
        return addEntry({QStringLiteral("Jones"), QStringLiteral("Hull")});
    if (change == QLatin1String("edit entry")) {
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        chooseRow(list, 0);
        list.OnEditEntry();
        window.OnPollTimer();
        if (window.tabs()->currentIndex() != CMyOrvaneDatabaseDlg::AddEditTab)
            return false;
        typeInto(window.addEditPage().field(2), QStringLiteral("Leeds"));
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        return true;
    }
    if (change == QLatin1String("remove entry")) {
        clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        env.prompter.queueAnswer(Prompter::Answer::Yes);
        chooseRow(list, 1);
        list.OnRemoveEntry();
        return true;
    }
    if (change == QLatin1String("add column")) {
        onSettings(1);
        settings.OnAddColumn();
        settings.nameField()->setText(QStringLiteral("Email"));
        settings.OnSaveChanges();
    } else if (change == QLatin1String("rename column")) {
        onSettings(0);
        settings.nameField()->setText(QStringLiteral("Surname"));
        settings.OnSaveChanges();
    } else if (change == QLatin1String("remove column")) {
        onSettings(1);
        settings.OnRemoveColumn();
    } else if (change == QLatin1String("save")) {
        window.action(texts::SaveDatabaseCommand)->trigger();
        return true;
    } else if (change == QLatin1String("undo")) {
        window.OnUndo();
        return true;
    } else if (change == QLatin1String("template alone")) {
        env.prompter.queueDialog(chooseNewDatabase(2));
        window.OnNewDatabase();
        return true;
    } else if (change == QLatin1String("change language")) {
        env.prompter.queueDialog(chooseLanguage(QStringLiteral("Deutsch")));
        window.OnLanguageSelection();
        return true;
    } else if (change == QLatin1String("new from template")) {
        env.prompter.queueDialog(chooseNewDatabase(2));
        window.OnNewDatabase();
        return addEntry({QStringLiteral("Dune"), QStringLiteral("Frank Herbert")});
    } else {
        return false;
    }
    clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    return true;
}
