// Makes the pictures of the README and the user guide: the main window on each tab with a
// small address book, the File menu, and every dialog, as a person sees them. Runs the real
// main window in a temporary world (HOME, XDG_DATA_HOME and program folder), like the tests.
//
//   orvane_screenshots <output folder> [en|de]
//
// Run it on an X server (tools/make-screenshots uses xvfb-run): the menu picture is taken from
// the screen. Exits non-zero when a picture could not be made or a dialog came unexpectedly.
#include "CMyOrvaneDatabaseDlg.h"
#include "DarkPalette.h"
#include "PowerClass.h"
#include "Prompter.h"
#include "TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace {

struct Book {
    QString section;  // the translation file's section of the language
    QString columns;
    QStringList entries;
    QString searchTown;
    QString filter;  // typed into the filter field of View All
    QStringList newEntry;
};

// Every name, address and number is made up; the mail domains are reserved for examples.
const Book kEnglish = {
    QStringLiteral("[1033]"),
    QStringLiteral(
        "Name;First name;Street;Postcode;Town;Country;Phone;Mobile;E-mail;Birthday;Notes"),
    {
        "Smith;Anna;12 Mill Lane;YO1 7HH;York;United Kingdom;"
        "01632 960111;07700 900111;anna.smith@example.org;1984-03-12;Book club",
        "Miller;Tom;4 Station Road;LS1 4DY;Leeds;United Kingdom;"
        "01632 960222;;tom@example.com;1979-11-02;",
        "O'Brien;Sean;7 Quay Street;T12 X8PK;Cork;Ireland;"
        "+353 21 496 0333;;sean.obrien@example.net;1990-06-25;Prefers e-mail",
        "Patel;Priya;88 Kings Road;SW3 4TZ;London;United Kingdom;"
        "020 7946 0444;07700 900444;priya@example.org;1988-01-30;",
        "Jones;Gareth;3 Castle Street;CF10 1BS;Cardiff;United Kingdom;"
        "029 2018 0555;;gareth.jones@example.com;1975-09-14;Choir",
        "Morgan;Ellen;21 Hill Street;W1J 5LE;London;United Kingdom;"
        "020 7946 0666;07700 900666;ellen.morgan@example.org;1992-12-08;",
        "Müller;Jörg;Lindenstraße 5;10115;Berlin;Germany;"
        "+49 30 555 0777;;joerg.mueller@example.net;1981-04-19;Met in Berlin 2019",
        "Clarke;Olivia;9 Bridge Street;LN1 1DX;London;United Kingdom;"
        "020 7946 0888;;olivia.clarke@example.com;1986-07-03;",
    },
    QStringLiteral("Lon%"),
    QStringLiteral("example.org"),
    {"Walker", "James", "15 Park Avenue", "BS1 5TR", "Bristol", "United Kingdom"},
};

const Book kGerman = {
    QStringLiteral("[1031]"),
    QStringLiteral("Name;Vorname;Straße;PLZ;Ort;Land;Telefon;Mobil;E-Mail;Geburtstag;Notizen"),
    {
        "Schmidt;Anna;Mühlenweg 12;20095;Hamburg;Deutschland;"
        "040 5550111;0170 5550111;anna.schmidt@example.org;1984-03-12;Lesekreis",
        "Müller;Thomas;Bahnhofstraße 4;50667;Köln;Deutschland;"
        "0221 5550222;;thomas@example.com;1979-11-02;",
        "Weiß;Jörg;Lindenallee 7;80331;München;Deutschland;"
        "089 5550333;;joerg.weiss@example.net;1990-06-25;Lieber per E-Mail",
        "Hoffmann;Petra;Am Markt 88;20354;Hamburg;Deutschland;"
        "040 5550444;0171 5550444;petra@example.org;1988-01-30;",
        "Gruber;Sepp;Hauptplatz 3;8010;Graz;Österreich;"
        "+43 316 5550555;;sepp.gruber@example.org;1975-09-14;Chor",
        "Becker;Lena;Hafenstraße 21;20459;Hamburg;Deutschland;"
        "040 5550666;0172 5550666;lena.becker@example.org;1992-12-08;",
        "Keller;Urs;Seestrasse 5;8002;Zürich;Schweiz;"
        "+41 44 555 07 77;;urs.keller@example.com;1981-04-19;Kennen uns aus Zürich",
        "Neumann;Sophie;Brückenstraße 9;01067;Dresden;Deutschland;"
        "0351 5550888;;sophie.neumann@example.com;1986-07-03;",
    },
    QStringLiteral("Ham%"),
    QStringLiteral("example.org"),
    {"Wagner", "Jan", "Parkstraße 15", "28195", "Bremen", "Deutschland"},
};

const QString kColumnWidths = QStringLiteral("90;80;130;75;85;110;115;110;190;85;150");

bool g_failed = false;

void fail(const QString& why) {
    std::fprintf(stderr, "make_screenshots: %s\n", qPrintable(why));
    g_failed = true;
}

// Lets the window system map, lay out and paint what was just shown.
void settle(int milliseconds = 250) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString g_output;

void save(const QPixmap& picture, const QString& name) {
    const QString path = g_output + QLatin1Char('/') + name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(path))
        fail(QStringLiteral("could not save %1").arg(path));
    else
        std::printf("%s (%dx%d)\n", qPrintable(path), picture.width(), picture.height());
}

// The real dialogs, each photographed as it comes up and then answered by the next script.
// File and print dialogs are cancelled: they are the desktop's, not the program's.
class PhotographingPrompter : public QtPrompter {
public:
    struct Shot {
        QString name;
        std::function<void(QWidget&)> answer;
    };

    void expect(const QString& name, std::function<void(QWidget&)> answer) {
        m_shots.enqueue({name, std::move(answer)});
    }
    bool allTaken() const { return m_shots.isEmpty(); }

    Answer showMessage(QWidget* parent, const QString& text, const QString& caption,
                       Buttons buttons, Icon icon) override {
        photographNextModal();
        return QtPrompter::showMessage(parent, text, caption, buttons, icon);
    }
    int runModal(QDialog& dialog) override {
        photographNextModal();
        return QtPrompter::runModal(dialog);
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QStringList&,
                         int*) override {
        return {};
    }
    bool previewAndPrint(QPrinter&, QWidget*, const std::function<void(QPrinter&)>&,
                         bool) override {
        return false;
    }

private:
    void photographNextModal() {
        auto* poll = new QTimer;
        poll->setInterval(50);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            QTimer::singleShot(400, modal, [this, modal] {
                if (m_shots.isEmpty()) {
                    fail(QStringLiteral("unexpected dialog \"%1\"").arg(modal->windowTitle()));
                    save(modal->grab(), QStringLiteral("unexpected"));
                    modal->close();
                    return;
                }
                const Shot shot = m_shots.dequeue();
                save(modal->grab(), shot.name);
                shot.answer(*modal);
            });
        });
        poll->start();
    }

    QQueue<Shot> m_shots;
};

void pressButton(QWidget& dialog, QMessageBox::StandardButton button) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog))
        box->button(button)->click();
    else
        dialog.close();
}

void reject(QWidget& dialog) {
    if (auto* modal = qobject_cast<QDialog*>(&dialog))
        modal->reject();
}

void accept(QWidget& dialog) {
    if (auto* modal = qobject_cast<QDialog*>(&dialog))
        modal->accept();
}

void selectTab(CMyOrvaneDatabaseDlg& window, int tab) {
    window.tabs()->setCurrentIndex(tab);  // as a click on the tab runs page switching
    settle();
}

// The window with the menu dropped down, taken from the screen.
void photographMenu(CMyOrvaneDatabaseDlg& window, QAction* menuTitle, const QString& name) {
    QMenuBar* bar = window.menuBar();
    QMenu* menu = menuTitle->menu();
    menu->popup(bar->mapToGlobal(bar->actionGeometry(menuTitle).bottomLeft()));
    settle(500);
    const QRect area = window.frameGeometry().united(menu->geometry());
    save(window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()), name);
    menu->close();
    settle();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        std::fprintf(stderr, "usage: orvane_screenshots <output folder> [en|de]\n");
        return 2;
    }
    g_output = arguments[1];
    const Book& book = arguments.value(2) == QLatin1String("de") ? kGerman : kEnglish;
    QDir().mkpath(g_output);
    app.setApplicationName(QStringLiteral("Orvane Database"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/orvane-database.svg")));

    // A world of its own, as the tests make one: nothing touches the real user's files.
    TestEnvironment world;
    const QString database = world.root() + QStringLiteral("/addresses.csv");
    QFile file(database);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (const QString& line : QStringList(book.columns) + book.entries)
        file.write(line.toLatin1() + "\r\n");
    file.close();
    PowerClass settings;  // the template beside the program, before the first start
    QStringList widths = kColumnWidths.split(QLatin1Char(';'));
    while (widths.size() < 26)
        widths.append(QStringLiteral("100"));
    settings.WriteConfig(QStringLiteral("LastDataBase"), database);
    settings.WriteConfig(QStringLiteral("LastColumnWidths"), widths.join(QLatin1Char(';')));
    settings.WriteConfig(QStringLiteral("Language"), book.section);

    PhotographingPrompter prompter;
    Prompter::install(&prompter);
    CMyOrvaneDatabaseDlg window;
    window.move(0, 0);
    window.show();
    window.OnInitDialog();
    settle(800);

    // View All, sorted by name, one entry chosen.
    window.viewAllPage().OnColumnClick(0);
    window.viewAllPage().list()->selectRow(3);
    settle();
    save(window.grab(), QStringLiteral("view-all"));

    // The same on a dark desktop: the window follows the palette when it changes.
    const QPalette desktop = QApplication::palette();
    QApplication::setPalette(darkPalette());
    settle();
    save(window.grab(), QStringLiteral("view-all-dark"));
    QApplication::setPalette(desktop);
    settle();

    photographMenu(window, window.action(texts::FileMenu), QStringLiteral("file-menu"));
    photographMenu(window, window.action(texts::ViewMenu), QStringLiteral("view-menu"));

    // The filter narrows View All as it is typed.
    QLineEdit* filter = window.viewAllPage().filterField();
    filter->setText(book.filter);
    filter->setFocus();
    settle();
    save(window.grab(), QStringLiteral("filter"));
    filter->clear();
    settle();

    // Search: the town begins with the book's letters; View Filtered lists who lives there.
    selectTab(window, CMyOrvaneDatabaseDlg::SearchTab);
    QLineEdit* town = window.searchPage().field(5);
    town->setText(book.searchTown);
    town->setFocus();
    settle();
    save(window.grab(), QStringLiteral("search"));
    selectTab(window, CMyOrvaneDatabaseDlg::ViewFilteredTab);
    save(window.grab(), QStringLiteral("view-filtered"));

    // Add/Edit Data in edit mode, as Edit Entry on View All opens it.
    selectTab(window, CMyOrvaneDatabaseDlg::ViewAllTab);
    window.viewAllPage().list()->selectRow(0);
    window.viewAllPage().OnEditEntry();
    window.OnPollTimer();
    settle();
    window.addEditPage().field(7)->setFocus();
    settle();
    save(window.grab(), QStringLiteral("add-edit"));

    // Settings with one column chosen.
    selectTab(window, CMyOrvaneDatabaseDlg::SettingsTab);
    if (auto* columns = window.settingsPage().findChild<QTreeWidget*>()) {
        columns->setCurrentItem(columns->topLevelItem(4));
        columns->topLevelItem(4)->setSelected(true);
    }
    settle();
    save(window.grab(), QStringLiteral("settings"));

    // A new entry makes the database unsaved, so New Database asks to save it first.
    selectTab(window, CMyOrvaneDatabaseDlg::ViewAllTab);
    window.viewAllPage().OnAddEntry();
    window.OnPollTimer();
    for (int k = 1; k <= book.newEntry.size(); ++k)
        window.addEditPage().field(k)->setText(book.newEntry[k - 1]);
    selectTab(window, CMyOrvaneDatabaseDlg::ViewAllTab);
    // The Edit menu offers to take the new entry back.
    photographMenu(window, window.action(texts::EditMenu), QStringLiteral("edit-menu"));
    prompter.expect(QStringLiteral("save-question"),
                    [](QWidget& box) { pressButton(box, QMessageBox::No); });
    prompter.expect(QStringLiteral("new-database"), reject);
    window.OnNewDatabase();
    settle();

    prompter.expect(QStringLiteral("language"), reject);
    window.OnLanguageSelection();
    settle();

    prompter.expect(QStringLiteral("about"), accept);
    window.OnAbout();
    settle();

    if (!prompter.allTaken())
        fail(QStringLiteral("a dialog did not come up"));
    Prompter::install(nullptr);
    // The window asks nothing more on closing: the answer No above left the entry unsaved.
    window.hide();
    return g_failed ? 1 : 0;
}
