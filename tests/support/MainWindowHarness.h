#pragma once

#include "CMyOrvaneDatabaseDlg.h"
#include "DesktopTestEnvironment.h"

#include <QStringList>
#include <functional>
#include <memory>

// A test world with the real main window: start() runs the program's start-up in it.
class MainWindowHarness {
public:
    MainWindowHarness() = default;
    // The harness in the world another process made in folder (see TestEnvironment).
    explicit MainWindowHarness(const QString& existingWorld)
        : env(existingWorld, TestEnvironment::Existing::World) {}

    DesktopTestEnvironment env;

    // Builds, shows and initialises the main window, as the program's start does; startFile
    // as given on the command line.
    CMyOrvaneDatabaseDlg& start(const QString& startFile = QString());
    CMyOrvaneDatabaseDlg& window() { return *m_window; }
    // Closes the window as the user would and forgets it; returns whether it closed.
    bool close();

    // A CSV database file below the test root: lines joined with CR LF, one after the last.
    QString writeDatabase(const QString& name, const QStringList& lines) const;
    // Starts on the database made of lines.
    CMyOrvaneDatabaseDlg& startWith(const QStringList& lines, const QString& name = "people.csv");

    // Lines joined as the program writes a single-byte file: each ended by CR LF.
    static QByteArray crlf(const QStringList& lines);
    // A script for the new-database dialog: marks line (0 the empty database, k template k)
    // and confirms.
    static std::function<int(QDialog&)> chooseNewDatabase(int line);
    // A script for the language dialog: types name (as listed, e.g. "Deutsch") and confirms.
    static std::function<int(QDialog&)> chooseLanguage(const QString& name);
    // Types an entry on the Add/Edit Data tab as Add Entry on View All starts it, then goes
    // back to View All; false when the tab never came.
    bool addEntry(const QStringList& values);

    // One of the changes a user makes, as the user makes it, on a database of at least two
    // columns and two entries: "add entry", "edit entry" (the first), "remove entry" (the
    // second, twins and all), "add column" (before the second), "rename column" (the first),
    // "remove column" (the second), "new from template" (the second template, with one
    // entry); and the commands "save", "undo", "template alone" (New with the second template)
    // and "change language" (to German, letting unsaved changes go). False when the window
    // did not follow.
    bool makeChange(const QString& change);
    static QStringList changes();

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
