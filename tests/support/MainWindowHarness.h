#pragma once

#include "CMyOrvaneDatabaseDlg.h"
#include "TestEnvironment.h"

#include <QStringList>
#include <memory>

// A test world with the real main window: start() runs the program's start-up in it.
class MainWindowHarness {
public:
    TestEnvironment env;

    // Builds, shows and initialises the main window, as the program's start does.
    CMyOrvaneDatabaseDlg& start();
    CMyOrvaneDatabaseDlg& window() { return *m_window; }
    // Closes the window as the user would and forgets it; returns whether it closed.
    bool close();

    // A CSV database file below the test root: lines joined with CR LF, one after the last.
    QString writeDatabase(const QString& name, const QStringList& lines) const;
    // Starts on the database made of lines.
    CMyOrvaneDatabaseDlg& startWith(const QStringList& lines, const QString& name = "people.csv");

    // Selects a tab as a click on the tab bar does.
    void clickTab(int tab);
    // Types text into field k (from 1) of a search/add-edit page, replacing what it held.
    static void typeInto(class QLineEdit* field, const QString& text);
    // Chooses row of a list page as a click does.
    static void chooseRow(class CViewTab& page, int row);
    // The rows a list page shows, cells joined with "|".
    static QStringList listedRows(const CViewTab& page);

private:
    std::unique_ptr<CMyOrvaneDatabaseDlg> m_window;
};
